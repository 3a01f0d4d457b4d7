#include "app/dialogs/file_filter.h"

#include <QFileInfo>

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
    return QLatin1Char('"') + typed + QStringLiteral("\" is an invalid path");
}

}  // namespace faceloom
