#pragma once

// A folder shown at another place as a disk mounted there would be, for as
// long as the object lives (root only: tests skip where made is false).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <sys/mount.h>

namespace testfiles {

struct BindMount {
    QByteArray at;
    bool made = false;
    BindMount(const QString& from, const QString& to) : at(QFile::encodeName(to))
    {
        made = QDir().mkpath(to) &&
               ::mount(QFile::encodeName(from).constData(), at.constData(), nullptr, MS_BIND, nullptr) == 0;
    }
    ~BindMount()
    {
        if (made) ::umount2(at.constData(), MNT_DETACH);
    }
    BindMount(const BindMount&) = delete;
    BindMount& operator=(const BindMount&) = delete;
};

} // namespace testfiles
