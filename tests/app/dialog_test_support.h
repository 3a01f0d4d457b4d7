#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs/dialog_base.h"
#include "lang/lang.h"
#include "lang/lang_manager.h"

namespace faceloom::test {

// Runs the dialog modally; `action` runs inside the modal loop once it is up. A dialog the
// action leaves open is closed with -1 after a while, so a failing test cannot hang.
inline int RunModal(TDialogBase& dialog, std::function<void()> action) {
    QTimer::singleShot(0, &dialog, std::move(action));
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&dialog] { dialog.done(-1); });
    guard.start(5000);
    return dialog.ShowModal();
}

// The widget a user would be typing into now.
inline QWidget* KeyTarget(QWidget& dialog) {
    QWidget* focus = QApplication::focusWidget();
    return focus && dialog.isAncestorOf(focus) ? focus : &dialog;
}

// Types text as key presses carrying it (QTest's key clicks know ASCII only); a surrogate pair
// goes as one press.
inline void TypeText(QWidget* widget, const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text.mid(i, length));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text.mid(i, length));
        QApplication::sendEvent(widget, &release);
        i += length;
    }
}

template <typename T = QWidget>
T* Child(const QWidget& parent, const char* name) {
    return parent.findChild<T*>(QString::fromLatin1(name));
}

// The text a user reads on a control.
inline QString TextOf(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
    return {};
}

inline QString Q(std::u16string_view text) {
    return QString::fromUtf16(text.data(), text.size());
}

// The English language compiled by the build next to the test program.
inline std::unique_ptr<TLang> English() {
    auto lang = std::make_unique<TLang>(DefaultLanguageDirectory() + "English.lng", false);
    EXPECT_FALSE(lang->BuiltIn()) << "English.lng is not built";
    return lang;
}

// A language whose every text is made by a function, for texts no file has.
class TFakeLang : public TLang {
public:
    explicit TFakeLang(std::function<std::u16string(int)> text) : TLang("", true), text_(std::move(text)) {}
    std::u16string Text(int id, bool) const override { return text_(id); }

private:
    std::function<std::u16string(int)> text_;
};

}  // namespace faceloom::test
