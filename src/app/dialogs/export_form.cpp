#include "app/dialogs/export_form.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_look.h"

namespace faceloom {

namespace {

constexpr int kTitle = 2141;
constexpr int kFormatTitle = 2142;
constexpr int kFirstFormat = 2143;  // zip, Pidgin, freedesktop
constexpr int kDestination = 2146;
constexpr int kBrowse = 2147;

}  // namespace

TExportForm::TExportForm(QWidget* parent) : TDialogBase("ExportForm", QSize(420, 210), true, parent) {
    formats_ = new QGroupBox(this);
    formats_->setObjectName("FormatGroup");
    auto* formatLayout = new QVBoxLayout(formats_);
    const char* names[] = {"ZipRadio", "PidginRadio", "FreedesktopRadio"};
    for (size_t k = 0; k < radios_.size(); ++k) {
        radios_[k] = new QRadioButton(formats_);
        radios_[k]->setObjectName(QString::fromLatin1(names[k]));
        formatLayout->addWidget(radios_[k]);
        connect(radios_[k], &QRadioButton::toggled, this, [this](bool on) {
            if (on) FormatChosen();
        });
    }
    destinationLabel_ = new QLabel(this);
    destinationLabel_->setObjectName("DestinationLabel");
    destination_ = new QLineEdit(this);
    destination_->setObjectName("DestinationEdit");
    destinationLabel_->setBuddy(destination_);
    connect(destination_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
    browse_ = new QPushButton(this);
    browse_->setObjectName("BrowseButton");
    browse_->setAutoDefault(true);
    browse_->setMinimumSize(75, 25);
    connect(browse_, &QPushButton::clicked, this, [this] {
        if (!Browse) return;
        if (const std::optional<QString> chosen = Browse(Format(), Destination())) SetDestination(*chosen);
    });
    ok_ = MakeButton(TButtonKind::Ok, "OkButton");
    cancel_ = MakeButton(TButtonKind::Cancel, "CancelButton");

    auto* destinationRow = new QHBoxLayout;
    destinationRow->addWidget(destination_, 1);
    destinationRow->addWidget(browse_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(formats_);
    layout->addWidget(destinationLabel_);
    layout->addLayout(destinationRow);
    layout->addStretch(1);
    layout->addLayout(ButtonRow({ok_, cancel_}));
    radios_[0]->setChecked(true);
    UpdateOk();
}

void TExportForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, kTitle));
    formats_->setTitle(LangText(lang, kFormatTitle));
    for (size_t k = 0; k < radios_.size(); ++k)
        radios_[k]->setText(LangText(lang, kFirstFormat + static_cast<int>(k)));
    destinationLabel_->setText(LangText(lang, kDestination));
    browse_->setText(LangText(lang, kBrowse));
    ok_->setText(LangText(lang, 201));
    cancel_->setText(LangText(lang, 202));
    FitToContents();
}

void TExportForm::Reset(TPackFormat format) {
    proposed_.clear();
    SetDestination(QString());
    SetFormat(format);
    FormatChosen();
}

void TExportForm::SetFormat(TPackFormat format) {
    for (size_t k = 0; k < kFormats.size(); ++k)
        if (kFormats[k] == format) radios_[k]->setChecked(true);
}

TPackFormat TExportForm::Format() const {
    for (size_t k = 0; k < kFormats.size(); ++k)
        if (radios_[k]->isChecked()) return kFormats[k];
    return kFormats[0];
}

void TExportForm::SetDestination(const QString& destination) {
    destination_->setText(destination);
}

QString TExportForm::Destination() const {
    return destination_->text().trimmed();
}

void TExportForm::FormatChosen() {
    // A destination the user typed or browsed to stays; the proposed one follows the format.
    if (!DefaultDestination || Destination() != proposed_) return;
    proposed_ = DefaultDestination(Format());
    SetDestination(proposed_);
}

void TExportForm::UpdateOk() {
    ok_->setEnabled(!Destination().isEmpty());
}

}  // namespace faceloom
