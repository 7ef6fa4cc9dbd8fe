#include "viewers/viewer_windows.h"

#include "decoders/FichierBGR.h"
#include "decoders/FichierDBF.h"
#include "decoders/FichierKEY.h"
#include "viewers/FichierIMG.h"
#include "viewers/FichierTXT.h"
#include "viewers/FichierWav.h"

namespace kelvane {

ViewerWindowSet::ViewerWindowSet(QWidget* owner)
    : formTXT(new TformTXT(owner)),
      formWAV(new TformWAV(owner)),
      formIMG(new TformIMG(owner)),
      formBGR(new TformBGR(owner)),
      formDBF(new TformDBF(owner)),
      formKey(new TformKey(owner)) {}

ViewerWindows ViewerWindowSet::windows() const {
    ViewerWindows windows;
    windows.text = {formTXT, [w = formTXT](const QString& path) { w->loadFile(path); }};
    windows.sound = {formWAV, [w = formWAV](const QString& path) { w->setMediaFile(path); }};
    windows.picture = {formIMG, [w = formIMG](const QString& path) { w->load(path); }};
    windows.object = {formBGR, [w = formBGR](const QString& path) { w->Decode(path); }};
    windows.dbf = {formDBF, [w = formDBF](const QString& path) { w->Read(path); }};
    windows.key = {formKey, [w = formKey](const QString& path) { w->Openkey(path); }};
    return windows;
}

}  // namespace kelvane
