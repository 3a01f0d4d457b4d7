#pragma once

#include <QUrl>
#include <functional>

#include "app/dialogs/dialog_base.h"

namespace faceloom {

// The about box: the program's picture, name, version, a third line, the author and a web
// link that opens in the user's browser.
class TAboutForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

    // Opens the link; the platform's browser unless replaced (tests record instead).
    std::function<bool(const QUrl&)> OpenUrl;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OpenLink();

    QLabel* picture_;
    QLabel* name_;
    QLabel* version_;
    QLabel* third_;
    QLabel* author_;
    QLabel* link_;
    QPushButton* ok_;
};

}  // namespace faceloom
