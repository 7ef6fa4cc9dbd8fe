#pragma once

#include <QString>

class QWidget;

namespace kelvane {

class Bitmap;

// The command's caption, in both languages.
inline constexpr const char* kSavePngFrench = "Enregistrer en PNG...";
inline constexpr const char* kSavePngEnglish = "Save as PNG...";

// Asks where to write `picture` as PNG, proposing NAME.png after `fileName` (its extension
// replaced) in the folder of the last picture saved so in this run, or else the work directory,
// and writes it there (".png" added to a name chosen without it). Nothing when cancelled.
// Throws what writing throws.
void savePictureAsPng(QWidget* parent, const Bitmap& picture, const QString& fileName);

}  // namespace kelvane
