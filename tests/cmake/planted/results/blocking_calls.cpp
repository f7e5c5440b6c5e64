// Each call below waits on a disk or another program on the window's thread.
#include <QFile>

bool present(const char* path)
{
    struct stat status {};
    return ::stat(path, &status) == 0;
}
bool listed(const QString& folder) { return !QDir(folder).entryList().isEmpty(); }
void waited(QProcess& program) { program.waitForFinished(); }
void asked(QDBusConnection& bus, const QDBusMessage& call) { bus.call(call, QDBus::Block); }
QByteArray read(const FileSystem& fileSystem) { return fileSystem.readFile("/etc/hostname"); }
// None of these touches a disk: QFile here is a comment, ::stat(x) too.
QByteArray named(const QString& name) { return QFile::encodeName(QDir::cleanPath(name)); }
