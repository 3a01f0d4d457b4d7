#include "app/app_forms.h"

#include "app/about_form.h"
#include "app/error_form.h"
#include "app/load_form.h"
#include "app/no_smilies_form.h"
#include "app/options_form.h"
#include "app/preview_form.h"
#include "app/query_form.h"
#include "app/save_errors_form.h"
#include "app/signature_form.h"
#include "app/smile_exists_form.h"
#include "app/visual_form.h"
#include "app/warning_form.h"
#include "views/drag_host.h"

namespace faceloom {

TAppForms::TAppForms() = default;

TAppForms::~TAppForms() = default;

void TAppForms::Create(const std::function<void(TDragDispatcherBase*)>& handOver) {
    DragSmile = std::make_unique<TDragHost>(handOver);
    LoadForm = std::make_unique<TLoadForm>();
    AboutForm = std::make_unique<TAboutForm>();
    ErrorForm = std::make_unique<TErrorForm>();
    WarningForm = std::make_unique<TWarningForm>();
    SignatureForm = std::make_unique<TSignatureForm>();
    SmileExistsForm = std::make_unique<TSmileExistsForm>();
    PreviewForm = std::make_unique<TPreviewForm>();
    VisualForm = std::make_unique<TVisualForm>();
    QueryForm = std::make_unique<TQueryForm>();
    SaveErrorsForm = std::make_unique<TSaveErrorsForm>();
    OptionsForm = std::make_unique<TOptionsForm>();
    NoSmiliesForm = std::make_unique<TNoSmiliesForm>();
}

void TAppForms::ApplyLanguage(const TLang& lang) {
    ErrorTexts.ApplyLanguage(lang);
    if (!Created()) return;
    LoadForm->ApplyLanguage(lang);
    AboutForm->ApplyLanguage(lang);
    ErrorForm->ApplyLanguage(lang);
    WarningForm->ApplyLanguage(lang);
    SignatureForm->ApplyLanguage(lang);
    SmileExistsForm->ApplyLanguage(lang);
    PreviewForm->ApplyLanguage(lang);
    VisualForm->ApplyLanguage(lang);
    QueryForm->ApplyLanguage(lang);
    SaveErrorsForm->ApplyLanguage(lang);
    OptionsForm->ApplyLanguage(lang);
    NoSmiliesForm->ApplyLanguage(lang);
}

}  // namespace faceloom
