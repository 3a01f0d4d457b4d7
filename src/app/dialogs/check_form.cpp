#include "app/dialogs/check_form.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "app/commands/ids.h"
#include "app/dialogs/dialog_look.h"
#include "lang/lang.h"

namespace faceloom {

namespace {

// Where a line of the list points: the index of its finding, or none (headings and notes).
constexpr int kFindingRole = Qt::UserRole;
constexpr int kNoFinding = -1;

QTreeWidgetItem* PlainLine(const QString& text) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, kFindingRole, kNoFinding);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

}  // namespace

TCheckForm::TCheckForm(QWidget* parent) : TDialogBase("CheckForm", QSize(640, 360), false, parent) {
    // The report stays open while the user works on the pack.
    setModal(false);
    list_ = new QTreeWidget(this);
    list_->setObjectName("FindingList");
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    // A sentence keeps its one line, whole: the list scrolls sideways rather than cut it.
    list_->setTextElideMode(Qt::ElideNone);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    fix_ = new QPushButton(this);
    fix_->setObjectName("FixButton");
    fix_->setMinimumSize(75, 25);
    fix_->setAutoDefault(true);
    alternative_ = new QPushButton(this);
    alternative_->setObjectName("AlternativeButton");
    alternative_->setMinimumSize(75, 25);
    alternative_->setAutoDefault(true);
    close_ = MakeButton(TButtonKind::Ok, "CloseButton");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(ButtonRow({fix_, alternative_, close_}));
    SetMinimumDesignSize(QSize(320, 200));
    texts_.fill(u"%1");
    fixTexts_.fill(QStringLiteral("Fix"));

    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { ChosenChanged(); });
    // A click on the finding already chosen shows its smile again.
    connect(list_, &QTreeWidget::itemClicked, this, [this] {
        if (const TCheckFinding* finding = Chosen(); finding && OnChoose) OnChoose(*finding);
    });
    connect(fix_, &QPushButton::clicked, this, [this] {
        const TCheckFinding* finding = Chosen();
        if (finding && finding->Fix.Action != TFixAction::None && OnFix) OnFix(*finding);
    });
    connect(alternative_, &QPushButton::clicked, this, [this] {
        const TCheckFinding* finding = Chosen();
        if (finding && finding->Alternative.Action != TFixAction::None && OnAlternative)
            OnAlternative(*finding);
    });
    Fill();
}

void TCheckForm::ApplyLanguage(const TLang& lang) {
    setWindowTitle(LangText(lang, kTextCheckTitle));
    for (size_t k = 0; k < fixTexts_.size(); ++k)
        fixTexts_[k] = LangText(lang, FixActionTextId(static_cast<TFixAction>(k)));
    ShowFixes();
    close_->setText(LangText(lang, 201));
    for (size_t k = 0; k < texts_.size(); ++k) texts_[k] = lang.Text(kCheckTextBase + static_cast<int>(k));
    // The sentences are made again in the new language; the choice stays.
    Fill();
    FitToContents();
}

std::u16string TCheckForm::Sentence(int id) const {
    const int k = id - kCheckTextBase;
    return k >= 0 && k < static_cast<int>(texts_.size()) ? texts_[static_cast<size_t>(k)] : std::u16string();
}

void TCheckForm::SetResult(TCheckResult result) {
    result_ = std::move(result);
    Fill();
}

void TCheckForm::Fill() {
    const QTreeWidgetItem* current = list_->currentItem();
    const int chosen = current ? current->data(0, kFindingRole).toInt() : kNoFinding;
    filling_ = true;
    list_->clear();
    const TTextLookup lookup = [this](int id) { return Sentence(id); };
    if (result_.Findings.empty() &&
        std::all_of(result_.Omitted.begin(), result_.Omitted.end(), [](int32_t n) { return n == 0; })) {
        list_->addTopLevelItem(PlainLine(QString::fromStdU16String(Sentence(kCheckTextClean))));
    }
    QTreeWidgetItem* toChoose = nullptr;
    for (int severity = 0; severity < 3; ++severity) {
        const auto level = static_cast<TCheckSeverity>(severity);
        QTreeWidgetItem* heading = nullptr;
        auto headingItem = [&] {
            if (!heading) {
                heading =
                    PlainLine(QString("%1 (%2)")
                                  .arg(QString::fromStdU16String(Sentence(kCheckTextSeverityBase + severity)))
                                  .arg(result_.Count(level)));
                QFont bold = heading->font(0);
                bold.setBold(true);
                heading->setFont(0, bold);
                list_->addTopLevelItem(heading);
            }
            return heading;
        };
        for (size_t i = 0; i < result_.Findings.size(); ++i) {
            const TCheckFinding& finding = result_.Findings[i];
            if (finding.Severity != level) continue;
            auto* item =
                new QTreeWidgetItem(QStringList{QString::fromStdU16String(FormatFinding(finding, lookup))});
            item->setData(0, kFindingRole, static_cast<int>(i));
            headingItem()->addChild(item);
            if (static_cast<int>(i) == chosen) toChoose = item;
        }
        // Kinds with more findings than listed say so under their severity.
        for (int kind = 0; kind < kCheckKindCount; ++kind) {
            const int32_t omitted = result_.Omitted[static_cast<size_t>(kind)];
            if (omitted == 0 || SeverityOf(static_cast<TCheckKind>(kind)) != level) continue;
            const std::u16string note =
                FillPlaceholders(Sentence(kCheckTextOmitted), {std::to_string(TCheckLimits{}.MaxPerKind)});
            headingItem()->addChild(PlainLine(QString::fromStdU16String(note)));
        }
    }
    list_->expandAll();
    if (toChoose) list_->setCurrentItem(toChoose);
    filling_ = false;
    ShowFixes();
}

void TCheckForm::ShowFixes() {
    const TCheckFinding* finding = Chosen();
    const TFixAction fix = finding ? finding->Fix.Action : TFixAction::None;
    const TFixAction alternative = finding ? finding->Alternative.Action : TFixAction::None;
    fix_->setText(fixTexts_[static_cast<size_t>(fix)]);
    fix_->setEnabled(fix != TFixAction::None);
    // The second way out of the problem (delete the smile), where there is one.
    alternative_->setText(fixTexts_[static_cast<size_t>(TFixAction::DeleteSmile)]);
    if (alternative != TFixAction::None) alternative_->setText(fixTexts_[static_cast<size_t>(alternative)]);
    alternative_->setVisible(alternative != TFixAction::None);
}

const TCheckFinding* TCheckForm::Chosen() const {
    const QTreeWidgetItem* item = list_->currentItem();
    if (!item) return nullptr;
    const int index = item->data(0, kFindingRole).toInt();
    if (index < 0 || index >= static_cast<int>(result_.Findings.size())) return nullptr;
    return &result_.Findings[static_cast<size_t>(index)];
}

void TCheckForm::Choose(int index) {
    for (int t = 0; t < list_->topLevelItemCount(); ++t) {
        QTreeWidgetItem* heading = list_->topLevelItem(t);
        for (int c = 0; c < heading->childCount(); ++c) {
            if (heading->child(c)->data(0, kFindingRole).toInt() == index) {
                list_->setCurrentItem(heading->child(c));
                return;
            }
        }
    }
}

void TCheckForm::ChosenChanged() {
    const TCheckFinding* finding = Chosen();
    ShowFixes();
    if (!filling_ && finding && OnChoose) OnChoose(*finding);
}

QWidget* TCheckForm::DefaultControl() const {
    return list_;
}

void TCheckForm::done(int result) {
    const bool shown = isVisible();
    TDialogBase::done(result);
    if (shown && OnClosed) OnClosed();
}

void TCheckForm::ShowReport(bool activate, QWidget* owner) {
    if (!isVisible()) {
        FitToContents();
        // Wide enough for the longest sentence where the screen allows, so a line is read
        // whole instead of scrolled to.
        list_->resizeColumnToContents(0);
        WidenTo(width() - list_->viewport()->width() + list_->columnWidth(0) + 8);
        CentreOnScreen();
    }
    // Made once without a parent, it still stays above the window it reports on.
    if (owner && owner->window()->windowHandle()) {
        create();
        if (QWindow* mine = windowHandle()) mine->setTransientParent(owner->window()->windowHandle());
    }
    // Shown after Open, it must not take the keys from the main window.
    setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    show();
    if (activate) {
        raise();
        activateWindow();
    }
}

}  // namespace faceloom
