#include "app/dialogs/clash_form.h"

#include <QComboBox>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/dialogs/dialog_look.h"
#include "convert/picture_convert.h"
#include "lang/lang.h"
#include "platform/code_page.h"

namespace faceloom {

namespace {

// Text ids of the window.
constexpr int kTitle = 2127;
constexpr int kIntro = 2128;
constexpr int kFirstHeader = 2129;  // picture, signature, taken by, action
constexpr int kKeep = 2133;
constexpr int kRename = 2134;
constexpr int kSkip = 2135;
constexpr int kKeepAll = 2136;
constexpr int kRenameAll = 2137;
constexpr int kSkipAll = 2138;
constexpr int kSmile = 2139;
constexpr int kNewPicture = 2140;
constexpr int kNewSignatureHeader = 2346;

// The grid's columns: each header above the cells it names.
constexpr int kNewPictureColumn = 0;
constexpr int kNameColumn = 1;
constexpr int kCodeColumn = 2;
constexpr int kOtherPictureColumn = 3;
constexpr int kOtherColumn = 4;
constexpr int kChoiceColumn = 5;
constexpr int kEditColumn = 6;
constexpr int kPictureSide = 32;

// The first frame of a picture file, at most kPictureSide on a side; none when unreadable.
QPixmap PictureOf(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return {};
    try {
        const TRgbaPicture picture = DecodePicture(bytes);
        if (picture.Frames.empty()) return {};
        const TRgbaFrame& frame = picture.Frames.front();
        QImage image(frame.Width, frame.Height, QImage::Format_ARGB32);
        for (int32_t y = 0; y < frame.Height; ++y) {
            auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
            for (int32_t x = 0; x < frame.Width; ++x) line[x] = frame.At(x, y);
        }
        if (image.width() > kPictureSide || image.height() > kPictureSide)
            image = image.scaled(kPictureSide, kPictureSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return QPixmap::fromImage(image);
    } catch (...) {
        return {};
    }
}

QString Filled(const QString& pattern, const std::vector<std::string>& params) {
    return QString::fromStdU16String(FillPlaceholders(pattern.toStdU16String(), params));
}

QString FromCodePage(const std::string& text) {
    return QString::fromStdU16String(CodePageToUnicode(text));
}

}  // namespace

TClashForm::TClashForm(QWidget* parent) : TDialogBase("ClashForm", QSize(740, 300), false, parent) {
    intro_ = MakeLabel("IntroLabel", kDialogFontPixels, false, true);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName("ClashList");
    scroll_->setWidgetResizable(true);
    // The rows' boxes take the keys; the area itself is passed by Tab.
    scroll_->setFocusPolicy(Qt::NoFocus);
    table_ = new QWidget(scroll_);
    table_->setObjectName("ClashTable");
    grid_ = new QGridLayout(table_);
    grid_->setHorizontalSpacing(12);
    const std::pair<int, int> headerPlaces[] = {{kNewPictureColumn, 2},
                                                {kCodeColumn, 1},
                                                {kOtherPictureColumn, 2},
                                                {kChoiceColumn, 1},
                                                {kEditColumn, 1}};
    for (int column = 0; column < 5; ++column) {
        auto* header = new QLabel(table_);
        header->setObjectName(QStringLiteral("Header%1").arg(column));
        header->setFont(DialogFont(kDialogFontPixels, true));
        grid_->addWidget(header, 0, headerPlaces[column].first, 1, headerPlaces[column].second);
        headers_.push_back(header);
    }
    grid_->setColumnStretch(kOtherColumn, 1);
    scroll_->setWidget(table_);

    keepAll_ = new QPushButton(this);
    keepAll_->setObjectName("KeepAllButton");
    renameAll_ = new QPushButton(this);
    renameAll_->setObjectName("RenameAllButton");
    skipAll_ = new QPushButton(this);
    skipAll_->setObjectName("SkipAllButton");
    const std::pair<QPushButton*, TClashChoice> all[] = {
        {keepAll_, TClashChoice::Keep}, {renameAll_, TClashChoice::Rename}, {skipAll_, TClashChoice::Skip}};
    for (const auto& [button, choice] : all) {
        button->setAutoDefault(true);  // Enter presses it while it has the focus
        button->setMinimumSize(75, 25);
        connect(button, &QPushButton::clicked, this, [this, choice = choice] { ChooseAll(choice); });
    }
    ok_ = MakeButton(TButtonKind::Ok, "OkButton");
    cancel_ = MakeButton(TButtonKind::Cancel, "CancelButton");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro_);
    layout->addWidget(scroll_, 1);
    layout->addLayout(ButtonRow({keepAll_, renameAll_, skipAll_}));
    layout->addLayout(ButtonRow({ok_, cancel_}));
    SetMinimumDesignSize(QSize(420, 220));
    keep_ = QStringLiteral("Keep");
    rename_ = QStringLiteral("%1");
    skip_ = QStringLiteral("Skip");
    smileText_ = QStringLiteral("%1 %2");
    newText_ = QStringLiteral("%1");
}

void TClashForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, kTitle));
    intro_->setText(LangText(lang, kIntro));
    for (int column = 0; column < 4; ++column)
        headers_[column]->setText(LangText(lang, kFirstHeader + column));
    headers_[4]->setText(LangText(lang, kNewSignatureHeader));
    keepAll_->setText(LangText(lang, kKeepAll));
    renameAll_->setText(LangText(lang, kRenameAll));
    skipAll_->setText(LangText(lang, kSkipAll));
    ok_->setText(LangText(lang, 201));
    cancel_->setText(LangText(lang, 202));
    keep_ = LangText(lang, kKeep);
    rename_ = LangText(lang, kRename);
    skip_ = LangText(lang, kSkip);
    smileText_ = LangText(lang, kSmile);
    newText_ = LangText(lang, kNewPicture);
    ShowTexts();
    FitToContents();
}

void TClashForm::SetClashes(const TImportPlan& plan, const std::function<QString(int32_t)>& smileLabel,
                            const std::function<std::vector<uint8_t>(int32_t)>& smilePicture) {
    rows_.clear();
    for (const TClash& clash : plan.Clashes) {
        TRow row;
        const bool known = clash.Item >= 0 && static_cast<size_t>(clash.Item) < plan.Items.size();
        const TImportItem* item = known ? &plan.Items[static_cast<size_t>(clash.Item)] : nullptr;
        row.Name = item ? QString::fromStdString(item->Name) : QString();
        if (item && clash.Code >= 0 && static_cast<size_t>(clash.Code) < item->Codes.size())
            row.Code = FromCodePage(item->Codes[static_cast<size_t>(clash.Code)]);
        row.Renamed = FromCodePage(clash.Renamed);
        row.Smile = clash.ExistingSmile;
        if (item) row.NewPicture = PictureOf(item->Bytes);
        if (clash.ExistingSmile >= 0) {
            row.Other = smileLabel ? smileLabel(clash.ExistingSmile) : QString();
            if (smilePicture) row.OtherPicture = PictureOf(smilePicture(clash.ExistingSmile));
        } else if (clash.EarlierItem >= 0 && static_cast<size_t>(clash.EarlierItem) < plan.Items.size()) {
            const TImportItem& earlier = plan.Items[static_cast<size_t>(clash.EarlierItem)];
            row.Other = QString::fromStdString(earlier.Name);
            row.OtherPicture = PictureOf(earlier.Bytes);
        }
        row.Choice = clash.Choice;
        rows_.push_back(row);
    }
    Fill();
}

void TClashForm::Fill() {
    for (QWidget* cell : cells_) delete cell;
    for (QWidget* cell : rowExtras_) delete cell;
    cells_.clear();
    rowExtras_.clear();
    boxes_.clear();
    edits_.clear();
    for (size_t r = 0; r < rows_.size(); ++r) {
        const int line = static_cast<int>(r) + 1;
        const char* names[] = {"Name", "Code", "Other"};
        const int columns[] = {kNameColumn, kCodeColumn, kOtherColumn};
        for (int column = 0; column < 3; ++column) {
            auto* label = new QLabel(table_);
            label->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(names[column])).arg(r));
            label->setTextFormat(Qt::PlainText);
            grid_->addWidget(label, line, columns[column]);
            cells_.push_back(label);
        }
        // Both pictures, so the user sees which smile keeps the signature.
        const std::pair<const char*, const QPixmap*> pictures[] = {{"NewPicture", &rows_[r].NewPicture},
                                                                   {"OtherPicture", &rows_[r].OtherPicture}};
        for (const auto& [name, pixmap] : pictures) {
            auto* picture = new QLabel(table_);
            picture->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(r));
            picture->setPixmap(*pixmap);
            picture->setMinimumSize(kPictureSide, kPictureSide);
            picture->setAlignment(Qt::AlignCenter);
            grid_->addWidget(picture, line,
                             pixmap == &rows_[r].NewPicture ? kNewPictureColumn : kOtherPictureColumn);
            rowExtras_.push_back(picture);
        }
        auto* edit = new QLineEdit(rows_[r].Renamed, table_);
        edit->setObjectName(QStringLiteral("NewCode%1").arg(r));
        edit->setEnabled(rows_[r].Choice == TClashChoice::Rename);
        connect(edit, &QLineEdit::textEdited, this, [this, r](const QString& text) {
            rows_[r].Renamed = text.trimmed();
            ShowTexts();
        });
        grid_->addWidget(edit, line, kEditColumn);
        rowExtras_.push_back(edit);
        edits_.push_back(edit);
        auto* box = new QComboBox(table_);
        box->setObjectName(QStringLiteral("Choice%1").arg(r));
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        for (int k = 0; k < 3; ++k) box->addItem(QString());
        box->setCurrentIndex(static_cast<int>(rows_[r].Choice));
        connect(box, &QComboBox::currentIndexChanged, this, [this, r](int index) {
            if (index >= 0 && index < 3) rows_[r].Choice = static_cast<TClashChoice>(index);
            edits_[r]->setEnabled(rows_[r].Choice == TClashChoice::Rename);
        });
        grid_->addWidget(box, line, kChoiceColumn);
        cells_.push_back(box);
        boxes_.push_back(box);
    }
    // Tab goes down the rows' choices and new signatures, then along the buttons.
    std::vector<QWidget*> chain;
    for (size_t r = 0; r < boxes_.size(); ++r) chain.insert(chain.end(), {boxes_[r], edits_[r]});
    chain.insert(chain.end(), {keepAll_, renameAll_, skipAll_, ok_, cancel_});
    for (size_t k = 1; k < chain.size(); ++k) setTabOrder(chain[k - 1], chain[k]);
    // The rows stay at the top of the list.
    grid_->setRowStretch(stretchRow_, 0);
    stretchRow_ = static_cast<int>(rows_.size()) + 1;
    grid_->setRowStretch(stretchRow_, 1);
    ShowTexts();
}

void TClashForm::ShowTexts() {
    for (size_t r = 0; r < rows_.size() && r < boxes_.size(); ++r) {
        const TRow& row = rows_[r];
        auto* name = static_cast<QLabel*>(cells_[r * 4]);
        auto* code = static_cast<QLabel*>(cells_[r * 4 + 1]);
        auto* other = static_cast<QLabel*>(cells_[r * 4 + 2]);
        name->setText(row.Name);
        code->setText(row.Code);
        // The smile as the user counts them, from 1.
        other->setText(row.Smile >= 0
                           ? Filled(smileText_, {std::to_string(row.Smile + 1), row.Other.toStdString()})
                           : Filled(newText_, {row.Other.toStdString()}));
        QComboBox* box = boxes_[r];
        box->setItemText(static_cast<int>(TClashChoice::Keep), keep_);
        box->setItemText(static_cast<int>(TClashChoice::Rename),
                         Filled(rename_, {row.Renamed.toStdString()}));
        box->setItemText(static_cast<int>(TClashChoice::Skip), skip_);
    }
}

std::vector<TClashChoice> TClashForm::Choices() const {
    std::vector<TClashChoice> choices;
    for (const TRow& row : rows_) choices.push_back(row.Choice);
    return choices;
}

void TClashForm::ChooseAll(TClashChoice choice) {
    for (QComboBox* box : boxes_) box->setCurrentIndex(static_cast<int>(choice));
}

QComboBox* TClashForm::ChoiceBox(int row) const {
    return row >= 0 && row < static_cast<int>(boxes_.size()) ? boxes_[static_cast<size_t>(row)] : nullptr;
}

}  // namespace faceloom

namespace faceloom {

QString TClashForm::Renamed(int row) const {
    return row >= 0 && row < RowCount() ? rows_[static_cast<size_t>(row)].Renamed : QString();
}

QLineEdit* TClashForm::RenamedEdit(int row) const {
    return row >= 0 && row < static_cast<int>(edits_.size()) ? edits_[static_cast<size_t>(row)] : nullptr;
}

}  // namespace faceloom
