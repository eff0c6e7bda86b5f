// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/RuntimeLibrary.h"

#include <QCoreApplication>
#include <QFile>

#include <dlfcn.h>

namespace wendle {

RuntimeLibrary::RuntimeLibrary(const char* soname)
    : m_handle(dlopen(soname, RTLD_NOW | RTLD_LOCAL))
{
    if (!m_handle) {
        m_failure = QString::fromLocal8Bit(dlerror());
    }
}

RuntimeLibrary RuntimeLibrary::ownModule(const char* name)
{
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/wendle/libwendle-")
        + QString::fromLatin1(name) + QStringLiteral(".so");
    return RuntimeLibrary(QFile::encodeName(path).constData());
}

void* RuntimeLibrary::symbol(const char* name)
{
    if (!m_handle) {
        return nullptr;
    }
    dlerror();
    void* found = dlsym(m_handle, name);
    if (!found) {
        m_failure = QString::fromLocal8Bit(dlerror());
    }
    return found;
}

} // namespace wendle
