#include "testbroker.h"

#include <QFile>

QString TestBroker::url(const QString& module) const {
    return QStringLiteral("mqtts://127.0.0.1:%1").arg(m_port) +
           (module.isEmpty() ? QString() : QLatin1Char('/') + module);
}

QString TestBroker::caFile() const {
    return path(QStringLiteral("ca.crt"));
}

QString TestBroker::otherCaFile() const {
    return path(QStringLiteral("other-ca.crt"));
}

QString TestBroker::passwordFile(const QString& password) {
    const QString file = m_dir.filePath(QStringLiteral("password-%1").arg(++m_files));
    QFile out(file);
    const QByteArray content = password.toUtf8() + "\n";
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(file));
    return file;
}
