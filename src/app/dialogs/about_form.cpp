#include "app/dialogs/about_form.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/about_texts.h"
#include "app/dialogs/dialog_look.h"

namespace faceloom {

namespace {

QString Stored(int number) {
    return QString::fromStdU16String(AboutText(number));
}

// A stored name in the language's words: "%1 for Tavi 2005", "%1 team".
QString Worded(const TLang& lang, int id, int number) {
    return LangText(lang, id).replace(QLatin1String("%1"), Stored(number));
}

}  // namespace

TAboutForm::TAboutForm(QWidget* parent)
    : TDialogBase("AboutForm", QSize(341, 222), true, parent), OpenUrl(&QDesktopServices::openUrl) {
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("Image1"));
    picture_->setFixedSize(73, 73);
    picture_->setPixmap(ProgramPicture(73));

    name_ = MakeLabel("TntLabel1", 20, true, true, Qt::AlignCenter);
    name_->setFont(DialogFont(20, true, kSerifFontFamily));
    version_ = MakeLabel("TntLabel2", 16, false, false, Qt::AlignCenter);
    third_ = MakeLabel("TntLabel3", 16, false, false, Qt::AlignCenter);
    author_ = MakeLabel("TntLabel4", 16, false, false, Qt::AlignCenter);
    link_ = MakeLabel("TntLabel5", kDialogFontPixels, false, false, Qt::AlignCenter);
    QFont linkFont = link_->font();
    linkFont.setUnderline(true);
    link_->setFont(linkFont);
    QPalette blue = link_->palette();
    blue.setColor(QPalette::WindowText, kLinkBlue);
    link_->setPalette(blue);
    link_->setCursor(Qt::PointingHandCursor);
    link_->installEventFilter(this);
    ok_ = MakeButton(TButtonKind::Ok, "TntBitBtn1");

    auto* head = new QGridLayout;
    head->addWidget(picture_, 0, 0, 2, 1, Qt::AlignTop);
    head->addWidget(name_, 0, 1);
    head->addWidget(version_, 1, 1, Qt::AlignTop);
    head->setColumnStretch(1, 1);
    auto* halves = new QHBoxLayout;
    halves->addWidget(third_, 1);
    halves->addWidget(author_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addLayout(halves);
    layout->addWidget(link_);
    layout->addStretch(1);
    layout->addLayout(ButtonRow({ok_}));
}

void TAboutForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, 601));
    name_->setText(Worded(lang, 2333, 1));
    version_->setText(LangText(lang, 602) + QLatin1Char(' ') + Stored(2));
    third_->setText(Stored(3));
    author_->setText(LangText(lang, 603) + QStringLiteral("    ") + Worded(lang, 2334, 4));
    link_->setText(Stored(5));
    ok_->setText(LangText(lang, 201));
    FitToContents();
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == link_ && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && link_->rect().contains(mouse->position().toPoint())) {
            OpenLink();
            return true;
        }
    }
    return TDialogBase::eventFilter(watched, event);
}

void TAboutForm::OpenLink() {
    // Unscrambled again at each click, as the label's text may be anything by now.
    const QUrl url(Stored(5));
    if (OpenUrl && url.isValid()) OpenUrl(url);
}

}  // namespace faceloom
