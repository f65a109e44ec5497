#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

namespace pelmix::test {

// A real 64 KiB tmpfs in a temporary folder, mounted for one test and unmounted after:
// a disk that fills up. Only root may mount; `why()` says why there is none.
class SmallDisk
{
public:
    SmallDisk()
    {
        if (::geteuid() != 0) {
            m_why = QStringLiteral("mounting a small tmpfs needs root");
            return;
        }
        if (!m_dir.isValid() || QProcess::execute(QStringLiteral("mount"),
                                                  {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                   QStringLiteral("-o"), QStringLiteral("size=64k"),
                                                   QStringLiteral("tmpfs"), m_dir.path()}) != 0)
            m_why = QStringLiteral("mount -t tmpfs failed");
        else
            m_mounted = true;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_dir.path()});
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool isMounted() const { return m_mounted; }
    QString why() const { return m_why; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Fills every free block with a file of its own, then frees `room` bytes of it.
    void fill(qint64 room = 0)
    {
        QFile filler(path(QStringLiteral("filler")));
        filler.open(QIODevice::Append | QIODevice::Unbuffered);
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        filler.resize(std::max<qint64>(0, filler.size() - room));
    }
    void free() { QFile::remove(path(QStringLiteral("filler"))); }

private:
    QTemporaryDir m_dir;
    QString m_why;
    bool m_mounted = false;
};

} // namespace pelmix::test
