#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A private home directory and system root for one test: $HOME and
// $ZORVA_SYSTEM_ROOT point into fresh temporary folders until destruction.
class ScopedSandbox {
public:
    ScopedSandbox();
    ~ScopedSandbox();
    ScopedSandbox(const ScopedSandbox&) = delete;
    ScopedSandbox& operator=(const ScopedSandbox&) = delete;

    QString home() const;
    QString systemRoot() const;
    // Absolute path below the home directory / system root, e.g. home("Library/x").
    QString home(const QString& relative) const;
    QString system(const QString& relative) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    QByteArray m_oldRoot;
    bool m_hadRoot = false;
};

QByteArray readFile(const QString& path);
// Writes the bytes, creating missing parent folders; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace testsupport
