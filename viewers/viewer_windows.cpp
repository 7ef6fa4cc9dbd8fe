#include "viewers/viewer_windows.h"

#include "viewers/FichierIMG.h"
#include "viewers/FichierTXT.h"
#include "viewers/FichierWav.h"

namespace kelvane {

ViewerWindowSet::ViewerWindowSet(QWidget* owner)
    : formTXT(new TformTXT(owner)), formWAV(new TformWAV(owner)), formIMG(new TformIMG(owner)) {}

ViewerWindows ViewerWindowSet::windows() const {
    ViewerWindows windows;
    windows.text = {formTXT, [w = formTXT](const QString& path) { w->loadFile(path); }};
    windows.sound = {formWAV, [w = formWAV](const QString& path) { w->setMediaFile(path); }};
    windows.picture = {formIMG, [w = formIMG](const QString& path) { w->load(path); }};
    return windows;
}

}  // namespace kelvane
