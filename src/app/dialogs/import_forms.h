#pragma once

#include <QString>
#include <QStringList>

#include "app/dialogs/dialog_base.h"

class QPlainTextEdit;

namespace faceloom {

// Asked before a pack of another messenger is imported: as a new pack (Yes) or into the
// current one (No); Cancel imports nothing.
class TImportTargetForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TImportTargetForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;
    // The source named in the question.
    void SetSource(const QString& source);

private:
    void ShowQuestion();

    QLabel* question_;
    QPushButton* newPack_;
    QPushButton* currentPack_;
    QPushButton* cancel_;
    QString pattern_ = QStringLiteral("%1");
    QString source_;
};

// What an import or an export has to tell once it is done: a title, a sentence and a list of
// lines (the notes of what was skipped, changed or dropped), each line whole and selectable.
class TMessagesForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TMessagesForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;
    // Shown as given (the caller has the language's texts); no lines hides the list.
    void SetMessage(const QString& title, const QString& text, const QStringList& lines);
    QString Text() const;
    QStringList Lines() const { return lines_; }

private:
    QLabel* text_;
    QPlainTextEdit* list_;
    QPushButton* ok_;
    QStringList lines_;
};

}  // namespace faceloom
