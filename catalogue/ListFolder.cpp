#include "catalogue/ListFolder.h"

#include "catalogue/StationList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace kelvane {

ListFolder chooseListFolder(const QString& programFolder, bool programWritable,
                            const QString& bundledFolder, const QString& dataFolder)
{
    if (programWritable)
        return {programFolder, {}};
    if (dataFolder.isEmpty() || !QDir().mkpath(dataFolder))
        return {bundledFolder, {}};
    ListFolder result{dataFolder, {}};
    for (const QString& name : {kRadioListFile, kTvListFile, kAdultListFile}) {
        const QString target = programFilePath(dataFolder, name);
        const QString source = programFilePath(bundledFolder, name);
        if (QFileInfo::exists(target) || !QFileInfo(source).isFile())
            continue;
        // Copied under a temporary name and renamed: an interrupted first start leaves no half
        // list that would then count as the user's own.
        const QString part = target + QStringLiteral(".seed");
        QFile::remove(part);
        // The copy is the user's to update, whatever the installed file's mode.
        if (QFile::copy(source, part) &&
            QFile::setPermissions(part, QFile::permissions(part) | QFile::ReadOwner |
                                            QFile::WriteOwner) &&
            QFile::rename(part, target))
            result.seeded.append(name);
        else
            QFile::remove(part);
    }
    return result;
}

bool isWritableFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    return !path.isEmpty() && ::access(path.constData(), W_OK | X_OK) == 0;
}

} // namespace kelvane
