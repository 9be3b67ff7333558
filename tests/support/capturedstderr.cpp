#include "capturedstderr.h"

#include <QFile>

#include <unistd.h>

CapturedStderr::CapturedStderr() : m_file(std::tmpfile()) {
    std::fflush(stderr);
    m_saved = dup(STDERR_FILENO);
    dup2(fileno(m_file), STDERR_FILENO);
}

CapturedStderr::~CapturedStderr() {
    std::fflush(stderr);
    dup2(m_saved, STDERR_FILENO);
    close(m_saved);
    std::fclose(m_file);
}

QByteArrayList CapturedStderr::lines() const {
    std::fflush(stderr);
    QFile file;
    file.open(dup(fileno(m_file)), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    file.seek(0);
    QByteArrayList lines = file.readAll().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}
