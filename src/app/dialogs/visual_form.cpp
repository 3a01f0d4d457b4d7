#include "app/dialogs/visual_form.h"

#include <QColorDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

#include "app/dialogs/color_swatch.h"
#include "app/dialogs/dialog_look.h"
#include "pictures/builtin_pictures.h"
#include "views/smile_label.h"
#include "views/smile_label_smile.h"
#include "views/win_color.h"

namespace faceloom {

namespace {

constexpr int kFontPixels = 16;

// The sample: a plain blinking smile. A picture that fails to decode leaves the sample
// without one rather than the dialog unusable.
TRef<TSmileLabelSmile> SampleSmile() {
    TRef<TSmileLabelSmile> smile(new TSmileLabelSmile);
    try {
        TRef<TPictureDecoder> picture(CreateBuiltinPicture(kPictureSample));
        smile->SetPicture(picture.get());
    } catch (...) {
    }
    return smile;
}

// Words of a style name that make a face narrower or wider than the family's own.
bool ChangesWidth(const QString& style) {
    for (const char* word : {"Condensed", "Narrow", "Compressed", "Expanded", "Extended", "Wide"})
        if (style.contains(QLatin1String(word), Qt::CaseInsensitive)) return true;
    return false;
}

// The family's style that draws the font's weight and slant at the family's own width ("Book"
// or "Regular", "Bold", "Oblique" or "Italic"). A font made from stored bits has no style
// name, and the font dialog, looking for "Normal" among the family's names, would otherwise
// fall back to the first it lists ("Oblique", "Condensed Italic").
QString StyleOf(const QFont& font) {
    const QString family = font.family();
    QString best;
    int bestScore = 0;
    for (const QString& style : QFontDatabase::styles(family)) {
        // Slanted: italic or oblique (QFontDatabase::italic answers for italic alone).
        const bool slanted = QFontDatabase::font(family, style, 12).style() != QFont::StyleNormal;
        const int score = (slanted != font.italic() ? 100000 : 0) +
                          std::abs(QFontDatabase::weight(family, style) - font.weight()) * 10 +
                          (ChangesWidth(style) ? 5 : 0);
        if (best.isEmpty() || score < bestScore) {
            best = style;
            bestScore = score;
        }
    }
    return best;
}

}  // namespace

QFont TVisualForm::FontDialogStart(const QFont& font, int dpi) {
    QFont shown(font);
    const QString style = StyleOf(font);
    if (!style.isEmpty()) shown.setStyleName(style);
    // The dialog speaks in points.
    if (font.pixelSize() > 0 && dpi > 0) shown.setPointSizeF(font.pixelSize() * 72.0 / dpi);
    return shown;
}

bool TVisualForm::SameFontChoice(const QFont& answer, const QFont& shown) {
    return answer.family().compare(shown.family(), Qt::CaseInsensitive) == 0 &&
           answer.styleName() == shown.styleName() && answer.pointSize() == shown.pointSize() &&
           answer.underline() == shown.underline() && answer.strikeOut() == shown.strikeOut();
}

TVisualForm::TVisualForm(QWidget* parent) : TDialogBase("VisualForm", QSize(262, 335), false, parent) {
    SetMinimumDesignSize(QSize(270, 267));
    setFont(DialogFont(kFontPixels));
    ChooseColor = [](const QColor& initial, QWidget* owner) {
        return QColorDialog::getColor(initial, owner);
    };
    ChooseFont = [](QFont& font, QWidget* owner) {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font, owner);
        if (ok) font = chosen;
        return ok;
    };

    auto* border = new QFrame(this);
    border->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    sample_ = new TSmileLabel(border);
    sample_->setObjectName(QStringLiteral("SmileLabel1"));
    sample_->SetColor(0xFFFFFF);
    sample_->SetCaption(QStringLiteral("*SMILE*"));
    sample_->SetAnimate(true);
    sample_->SetStretch(false);
    sample_->SetAllowHotTrack(true);
    sample_->SetAlwaysHotTrack(true);
    sample_->SetHotTrackColor(16773360);
    sample_->SetHotTrackBorderColor(16744576);
    sample_->setMinimumHeight(60);
    sample_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    sample_->SetSmile(SampleSmile().get());
    auto* borderLayout = new QVBoxLayout(border);
    borderLayout->setContentsMargins(1, 1, 1, 1);
    borderLayout->addWidget(sample_);

    static const char* const kNames[] = {"TntLabel1", "TntLabel2", "TntLabel3", "TntLabel5"};
    auto* grid = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        names_[i] = MakeLabel(kNames[i], kFontPixels);
        const QByteArray panel = "TntPanel" + QByteArray::number(i + 1);
        const QByteArray box = "PaintBox" + QByteArray::number(i + 1);
        swatches_[i] = new TColorSwatch(panel.constData(), box.constData(), this);
        connect(swatches_[i], &TColorSwatch::Clicked, this, [this, i] { SwatchClicked(i); });
        grid->addWidget(names_[i], i, 0);
        grid->addWidget(swatches_[i], i, 1);
    }
    fontButton_ = new QPushButton(this);
    fontButton_->setObjectName(QStringLiteral("TntBitBtn1"));
    fontButton_->setAutoDefault(false);
    fontButton_->setMinimumHeight(25);
    connect(fontButton_, &QPushButton::clicked, this, &TVisualForm::FontClicked);
    columnsName_ = MakeLabel("TntLabel4", kFontPixels);
    columns_ = new QLineEdit(this);
    columns_->setObjectName(QStringLiteral("MaskEdit1"));
    columns_->setMaxLength(4);
    columns_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-+0-9][0-9]{0,3}")), columns_));
    columns_->setFixedWidth(columns_->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
    grid->addWidget(columnsName_, 4, 0);
    grid->addWidget(columns_, 4, 1);
    grid->setColumnStretch(0, 1);
    ok_ = MakeButton(TButtonKind::Ok, "TntBitBtn2");
    cancel_ = MakeButton(TButtonKind::Cancel, "TntBitBtn3");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(border, 1);
    auto* controls = new QVBoxLayout;
    controls->setContentsMargins(8, 0, 8, 0);
    controls->addLayout(grid);
    controls->addWidget(fontButton_);
    layout->addLayout(controls);
    layout->addLayout(ButtonRow({ok_, cancel_}));
    TakeSampleColors();
}

void TVisualForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, 1201));
    for (int i = 0; i < 4; ++i) names_[i]->setText(LangText(lang, 1202 + i));
    fontButton_->setText(LangText(lang, 1206));
    columnsName_->setText(LangText(lang, 1207));
    ok_->setText(LangText(lang, 201));
    cancel_->setText(LangText(lang, 202));
    FitToContents();
}

int TVisualForm::ShowModal() {
    TakeSampleColors();
    sample_->SetActive(true);
    const int result = TDialogBase::ShowModal();
    sample_->SetActive(false);
    return result;
}

QString TVisualForm::ColumnText() const {
    return columns_->text();
}

void TVisualForm::SetColumnText(const QString& text) {
    columns_->setText(text.left(4));
}

bool TVisualForm::ColumnCount(int& count) const {
    bool ok = false;
    const int value = columns_->text().trimmed().toInt(&ok);
    if (!ok || !ColumnCountInRange(value)) return false;
    count = value;
    return true;
}

void TVisualForm::TakeSampleColors() {
    swatches_[0]->SetColor(sample_->Color());
    swatches_[1]->SetColor(sample_->HotTrackColor());
    swatches_[2]->SetColor(sample_->HotTrackBorderColor());
    swatches_[3]->SetColor(sample_->FontColor());
}

void TVisualForm::SwatchClicked(int index) {
    if (!ChooseColor) return;
    const QColor chosen = ChooseColor(WinColorToQColor(swatches_[index]->Color()), this);
    if (!chosen.isValid()) return;
    const TColor color = QColorToWinColor(chosen);
    swatches_[index]->SetColor(color);
    switch (index) {
        case 0:
            sample_->SetColor(color);
            break;
        case 1:
            sample_->SetHotTrackColor(color);
            break;
        case 2:
            sample_->SetHotTrackBorderColor(color);
            break;
        default:
            sample_->SetFontColor(color);
            break;
    }
}

void TVisualForm::FontClicked() {
    if (!ChooseFont) return;
    // The dialog starts on the sample's face, style and size; answered as it started, it
    // changes nothing, whatever rounding its points would bring.
    const QFont shown = FontDialogStart(sample_->font(), logicalDpiY());
    QFont font = shown;
    if (!ChooseFont(font, this) || SameFontChoice(font, shown)) return;
    // What a restart brings back: the family, bold and italic (the stored bits), not a style
    // name such as "Condensed Bold".
    const bool bold = font.bold();
    font.setStyleName(QString());
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    // The font dialog answers in points; the grid's font is stored as a character height in
    // pixels, so the size is turned into pixels here, at this screen's resolution, and the
    // sample already shows what a restart will bring back.
    if (font.pixelSize() <= 0 && font.pointSizeF() > 0)
        font.setPixelSize(std::max(1, qRound(font.pointSizeF() * logicalDpiY() / 72.0)));
    sample_->setFont(font);
    sample_->Relayout();
}

}  // namespace faceloom
