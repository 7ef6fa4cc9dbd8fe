#include "browser/main_window_captions.h"

namespace kelvane {

const std::array<Caption, 29> kMainWindowCaptions = {{
    {CaptionTarget::Window, "", 0, "Kelvane v1.0 - Visualiseur de fichier POD/EPD pour Fly! 1 et 2",
     "Kel!vane v1.0 - EPD/POD Viewer for Fly! 1 & 2"},
    {CaptionTarget::Menu, "PODEPD1", 0, "POD/EPD", "POD/EPD"},
    {CaptionTarget::Action, "OuvrirunPODEPD1", 0, "Ouvrir un POD/EPD", "Open POD/EPD"},
    {CaptionTarget::Action, "ExtraireunfichierdunPODEPD1", 0, "Extraire un fichier d'un POD/EPD",
     "Extract file(s) from POD/EPD"},
    {CaptionTarget::Action, "NouvellearchivePODEPD1", 0, "Nouvelle archive...", "New archive..."},
    {CaptionTarget::Action, "AjouterdesfichiersPODEPD1", 0, "Ajouter des fichiers...",
     "Add files..."},
    {CaptionTarget::Action, "SupprimerlesentreescocheesPODEPD1", 0, "Supprimer les entrées cochées",
     "Delete ticked entries"},
    {CaptionTarget::Menu, "ArchivesrecentesPODEPD1", 0, "Archives récentes", "Recent archives"},
    {CaptionTarget::Action, "VerifierlarchivePODEPD1", 0, "Vérifier l'archive", "Verify archive"},
    {CaptionTarget::Action, "ProprietesdelarchivePODEPD1", 0, "Propriétés de l'archive",
     "Archive properties"},
    {CaptionTarget::Action, "Voir1", 0, "Voir", "View"},
    {CaptionTarget::Action, "Apercu1", 0, "Aperçu", "Preview"},
    {CaptionTarget::Menu, "Initialisation1", 0, "Initialisation", "Init"},
    {CaptionTarget::Action, "Langage", 0, "English", "English"},
    {CaptionTarget::Action, "Repertoire", 0, "Répertoire", "Directories"},
    {CaptionTarget::Button, "btnOpenPOD", 0, "Ouvrir", "Open POD/EPD"},
    {CaptionTarget::Button, "btnExtractFile", 0, "Extraire", "Extract file from POD/EPD"},
    {CaptionTarget::Button, "btnOpenFile", 0, "Voir", "View file"},
    {CaptionTarget::Tab, "tsPOD", 0, "Fichiers POD/EPD", "POD/EPD files"},
    {CaptionTarget::Tab, "tsExt", 0, "Extensions reconnues", "Known extensions"},
    {CaptionTarget::CheckBox, "cbStruct", 0, "Recréer la structure du répertoire",
     "Create directory structure"},
    {CaptionTarget::CheckBox, "cbPng", 0, "Convertir les images en PNG", "Convert pictures to PNG"},
    {CaptionTarget::Placeholder, "edFilter", 0, "Filtrer les noms (* et ? permis)  Ctrl+F",
     "Filter names (* and ? allowed)  Ctrl+F"},
    {CaptionTarget::Header, "", 0, "sel", "sel"},
    {CaptionTarget::Header, "", 1, "Nom fichier", "File name"},
    {CaptionTarget::Header, "", 2, "Répertoire", "Directory"},
    {CaptionTarget::Header, "", 3, "Taille", "Size"},
    {CaptionTarget::Header, "", 4, "Date", "Date"},
    {CaptionTarget::Header, "", 5, "n°", "n°"},
}};

}  // namespace kelvane
