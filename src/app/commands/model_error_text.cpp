#include "app/commands/model_error_text.h"

#include <QFile>

#include "app/commands/local_paths.h"
#include "app/dialogs/dialog_look.h"
#include "lang/lang.h"

namespace faceloom {

namespace {

QString WithFile(const QString& reason, const std::string& file) {
    if (file.empty()) return reason;
    return reason + QLatin1Char('\n') + FromLocal(file);
}

}  // namespace

int ModelErrorTextId(TModelError error) {
    switch (error) {
        case TModelError::Busy:
            return 1702;
        case TModelError::Cancelled:
            return 1703;
        case TModelError::PathNotStorable:
            return 1704;
        case TModelError::FolderMissing:
            return 1705;
        case TModelError::WorkingCopyDamaged:
            return 1706;
        case TModelError::OtherPackSource:
            return 1707;
        case TModelError::TargetBlocked:
            return 1708;
        case TModelError::CopyFailed:
            return 1709;
        case TModelError::RenameFailed:
            return 1710;
        case TModelError::WriteFailed:
            return 1711;
        case TModelError::RecoveryFailed:
            return 1712;
        case TModelError::NotPresent:
            return 1713;
        case TModelError::BadSignature:
            return 1714;
        case TModelError::TargetInStorage:
            return 1718;
        case TModelError::ForeignSave:
            return 1719;
        case TModelError::EditUnfinished:
            return 2201;
        case TModelError::HistoryDamaged:
            return 2202;
        case TModelError::LinkInStorage:
            return 2221;
        case TModelError::HistoryDropped:
            return 2222;
        case TModelError::FolderInUse:
            return 2261;
        // A failure that gave no reason is an unexpected one.
        case TModelError::None:
        case TModelError::Unexpected:
            break;
    }
    return 1701;
}

QString ModelErrorText(const TLang& lang, TModelError error, const std::string& file) {
    return WithFile(LangText(lang, ModelErrorTextId(error)), file);
}

TModelErrorTexts::TModelErrorTexts() {
    ApplyLanguage(TLang(std::string(), true));
}

void TModelErrorTexts::ApplyLanguage(const TLang& lang) {
    for (size_t i = 0; i < reasons_.size(); ++i)
        reasons_[i] = LangText(lang, ModelErrorTextId(static_cast<TModelError>(i)));
}

QString TModelErrorTexts::Reason(TModelError error) const {
    const auto i = static_cast<size_t>(error);
    return i < reasons_.size() ? reasons_[i] : reasons_[static_cast<size_t>(TModelError::Unexpected)];
}

QString TModelErrorTexts::Text(TModelError error, const std::string& file) const {
    return WithFile(Reason(error), file);
}

}  // namespace faceloom
