#pragma once

#include <functional>
#include <memory>

#include "app/commands/model_error_text.h"

namespace faceloom {

class TAboutForm;
class TCheckForm;
class TClashForm;
class TDragDispatcherBase;
class TDragHost;
class TErrorForm;
class TExportForm;
class TImportTargetForm;
class TLang;
class TLoadForm;
class TMessagesForm;
class TNoSmiliesForm;
class TOptionsForm;
class TPreviewForm;
class TQueryForm;
class TSaveErrorsForm;
class TSignatureForm;
class TSmileExistsForm;
class TVisualForm;
class TWarningForm;

// The program's other windows, made once after the main window and reused until the program
// ends: the drag image's host and every dialog, in this order.
class TAppForms {
public:
    TAppForms();
    ~TAppForms();
    TAppForms(const TAppForms&) = delete;
    TAppForms& operator=(const TAppForms&) = delete;

    // Makes the windows; the drag host hands its dispatcher to handOver.
    void Create(const std::function<void(TDragDispatcherBase*)>& handOver);

    // Every dialog's texts, in the order they were made, and the failure reasons.
    void ApplyLanguage(const TLang& lang);
    bool Created() const { return LoadForm != nullptr; }

    std::unique_ptr<TDragHost> DragSmile;
    std::unique_ptr<TLoadForm> LoadForm;
    std::unique_ptr<TAboutForm> AboutForm;
    std::unique_ptr<TErrorForm> ErrorForm;
    std::unique_ptr<TWarningForm> WarningForm;
    std::unique_ptr<TSignatureForm> SignatureForm;
    std::unique_ptr<TSmileExistsForm> SmileExistsForm;
    std::unique_ptr<TPreviewForm> PreviewForm;
    std::unique_ptr<TVisualForm> VisualForm;
    std::unique_ptr<TQueryForm> QueryForm;
    std::unique_ptr<TSaveErrorsForm> SaveErrorsForm;
    std::unique_ptr<TOptionsForm> OptionsForm;
    std::unique_ptr<TNoSmiliesForm> NoSmiliesForm;
    std::unique_ptr<TCheckForm> CheckForm;
    // Import and export.
    std::unique_ptr<TClashForm> ClashForm;
    std::unique_ptr<TImportTargetForm> ImportTargetForm;
    std::unique_ptr<TExportForm> ExportForm;
    std::unique_ptr<TMessagesForm> MessagesForm;
    // The reasons every failure message gives, in the current language.
    TModelErrorTexts ErrorTexts;
};

}  // namespace faceloom
