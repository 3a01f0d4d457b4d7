#pragma once

#include <QString>
#include <array>
#include <functional>
#include <string>

#include "app/dialogs/dialog_base.h"
#include "model/pack_check.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace faceloom {

// The report of the pack check: the findings grouped by severity, each as the sentence of the
// current language. It does not block the main window; what the user chooses in it goes to the
// owner through OnChoose and OnFix, which never touch the report's own state directly.
class TCheckForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TCheckForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

    // Shows result (replacing the one shown); the finding chosen before stays chosen when the
    // new result has one at its place.
    void SetResult(TCheckResult result);
    const TCheckResult& Result() const { return result_; }

    // Shows the window over owner's without blocking it; activate: it takes the focus.
    void ShowReport(bool activate, QWidget* owner = nullptr);

    // The finding chosen in the list (nullptr: a heading, a note or nothing).
    const TCheckFinding* Chosen() const;
    // Chooses the finding at index of Result().Findings, as a click on it does.
    void Choose(int index);

    std::function<void(const TCheckFinding&)> OnChoose;
    // The finding's Fix; its Alternative.
    std::function<void(const TCheckFinding&)> OnFix;
    std::function<void(const TCheckFinding&)> OnAlternative;

    // The report was closed by the user (Escape, the close box or its button).
    std::function<void()> OnClosed;

    // The findings are read and chosen from the keyboard.
    QWidget* DefaultControl() const override;
    void done(int result) override;

private:
    void Fill();
    void ChosenChanged();
    std::u16string Sentence(int id) const;

    QTreeWidget* list_;
    // Each names what it does for the finding chosen.
    void ShowFixes();

    QPushButton* fix_;
    QPushButton* alternative_;
    QPushButton* close_;
    std::array<QString, 4> fixTexts_;  // per TFixAction
    TCheckResult result_;
    std::array<std::u16string, kCheckTextClean - kCheckTextBase + 1> texts_;
    bool filling_ = false;
};

}  // namespace faceloom
