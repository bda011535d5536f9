#pragma once

#include <QString>
#include <QStringList>

namespace kelvane {

// Where the station lists live. A program whose own folder is writable keeps them beside itself
// (a portable copy, or a build). An installed program cannot write there: its lists live in the
// user's data folder, seeded from the installed bundled lists at the first start.
struct ListFolder
{
    QString folder;     // where lists are read and updates written
    QStringList seeded; // the bundled lists copied in by this call
};

// programWritable: whether the program's folder takes new files. bundledFolder: where the
// installed bundled lists are; dataFolder: the user's data folder, made when missing. A list
// already in the data folder is never replaced: it may be one the user updated. When the data
// folder cannot be made, the lists are read where they are installed.
ListFolder chooseListFolder(const QString& programFolder, bool programWritable,
                            const QString& bundledFolder, const QString& dataFolder);

// Whether new files can be made in the folder by this user (a read-only mount included).
bool isWritableFolder(const QString& folder);

} // namespace kelvane
