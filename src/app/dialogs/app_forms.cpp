#include "app/dialogs/app_forms.h"

#include "app/dialogs/about_form.h"
#include "app/dialogs/check_form.h"
#include "app/dialogs/clash_form.h"
#include "app/dialogs/error_form.h"
#include "app/dialogs/export_form.h"
#include "app/dialogs/import_forms.h"
#include "app/dialogs/load_form.h"
#include "app/dialogs/no_smilies_form.h"
#include "app/dialogs/options_form.h"
#include "app/dialogs/preview_form.h"
#include "app/dialogs/query_form.h"
#include "app/dialogs/save_errors_form.h"
#include "app/dialogs/signature_form.h"
#include "app/dialogs/smile_exists_form.h"
#include "app/dialogs/visual_form.h"
#include "app/dialogs/warning_form.h"
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
    CheckForm = std::make_unique<TCheckForm>();
    ClashForm = std::make_unique<TClashForm>();
    ImportTargetForm = std::make_unique<TImportTargetForm>();
    ExportForm = std::make_unique<TExportForm>();
    MessagesForm = std::make_unique<TMessagesForm>();
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
    CheckForm->ApplyLanguage(lang);
    ClashForm->ApplyLanguage(lang);
    ImportTargetForm->ApplyLanguage(lang);
    ExportForm->ApplyLanguage(lang);
    MessagesForm->ApplyLanguage(lang);
}

}  // namespace faceloom
