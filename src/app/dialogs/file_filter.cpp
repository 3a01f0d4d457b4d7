#include "app/dialogs/file_filter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>

namespace faceloom {

QStringList QtNameFilters(const QString& windowsFilter) {
    QStringList filters;
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'))) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty()) patterns << trimmed;
        }
        if (patterns.isEmpty()) continue;
        QString name = parts[i].trimmed();
        if (name.isEmpty()) name = patterns.join(QLatin1Char(' '));
        // Qt reads the patterns from the last parenthesised group, so the name may keep its own
        // "(*.bmp)" for display.
        filters << name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

QString InvalidFolderMessage(const QString& typed, const QString& resolved) {
    if (!resolved.isEmpty() && QFileInfo(resolved).isDir()) return {};
    // Qt's own sentence for it, which Qt's translation of the chosen language words.
    return QCoreApplication::translate(
               "QFileDialog", "%1\nDirectory not found.\nPlease verify the correct directory name was given.")
        .arg(typed);
}

namespace {

// The file model's columns as they are, but a file's size and every date worded by QLocale's
// default. The order stays the file model's own (a proxy of this kind sorts the source).
class TLanguageColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || (index.column() != 1 && index.column() != 3))
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        if (index.column() == 3) return QLocale().toString(info.lastModified(), QLocale::ShortFormat);
        if (info.isDir()) return QIdentityProxyModel::data(index, role);
        return QLocale().formattedDataSize(info.size());
    }
};

}  // namespace

void ShowSizesAndDatesInTheLanguage(QFileDialog& dialog) {
    dialog.setProxyModel(new TLanguageColumns(&dialog));
    // Wide enough for a long size and date in the language's words, not cut to "776…tes".
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        const QFontMetrics metrics(details->font());
        const QDateTime late(QDate(2026, 12, 28), QTime(23, 59));
        const int padding = 3 * metrics.averageCharWidth();
        details->header()->resizeSection(
            1, metrics.horizontalAdvance(QLocale().formattedDataSize(999999999)) + padding);
        details->header()->resizeSection(
            3, metrics.horizontalAdvance(QLocale().toString(late, QLocale::ShortFormat)) + padding);
    }
}

}  // namespace faceloom
