#include "app/dialogs/clash_form.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/dialogs/dialog_look.h"
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

QString Filled(const QString& pattern, const std::vector<std::string>& params) {
    return QString::fromStdU16String(FillPlaceholders(pattern.toStdU16String(), params));
}

QString FromCodePage(const std::string& text) {
    return QString::fromStdU16String(CodePageToUnicode(text));
}

}  // namespace

TClashForm::TClashForm(QWidget* parent) : TDialogBase("ClashForm", QSize(600, 300), false, parent) {
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
    for (int column = 0; column < 4; ++column) {
        auto* header = new QLabel(table_);
        header->setObjectName(QStringLiteral("Header%1").arg(column));
        header->setFont(DialogFont(kDialogFontPixels, true));
        grid_->addWidget(header, 0, column);
        headers_.push_back(header);
    }
    grid_->setColumnStretch(2, 1);
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

void TClashForm::SetClashes(const TImportPlan& plan, const std::function<QString(int32_t)>& smileLabel) {
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
        if (clash.ExistingSmile >= 0) {
            row.Other = smileLabel ? smileLabel(clash.ExistingSmile) : QString();
        } else if (clash.EarlierItem >= 0 && static_cast<size_t>(clash.EarlierItem) < plan.Items.size()) {
            row.Other = QString::fromStdString(plan.Items[static_cast<size_t>(clash.EarlierItem)].Name);
        }
        row.Choice = clash.Choice;
        rows_.push_back(row);
    }
    Fill();
}

void TClashForm::Fill() {
    for (QWidget* cell : cells_) delete cell;
    cells_.clear();
    boxes_.clear();
    for (size_t r = 0; r < rows_.size(); ++r) {
        const int line = static_cast<int>(r) + 1;
        const char* names[] = {"Name", "Code", "Other"};
        for (int column = 0; column < 3; ++column) {
            auto* label = new QLabel(table_);
            label->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(names[column])).arg(r));
            label->setTextFormat(Qt::PlainText);
            grid_->addWidget(label, line, column);
            cells_.push_back(label);
        }
        auto* box = new QComboBox(table_);
        box->setObjectName(QStringLiteral("Choice%1").arg(r));
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        for (int k = 0; k < 3; ++k) box->addItem(QString());
        box->setCurrentIndex(static_cast<int>(rows_[r].Choice));
        connect(box, &QComboBox::currentIndexChanged, this, [this, r](int index) {
            if (index >= 0 && index < 3) rows_[r].Choice = static_cast<TClashChoice>(index);
        });
        grid_->addWidget(box, line, 3);
        cells_.push_back(box);
        boxes_.push_back(box);
    }
    // Tab goes down the rows' choices, then along the buttons.
    std::vector<QWidget*> chain(boxes_.begin(), boxes_.end());
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

}  // namespace faceloom
