// SPDX-License-Identifier: GPL-3.0-or-later
#include "lock/CodePrinting.h"

#include "journal/RuntimeLibrary.h"

namespace wendle {

bool printCode(QWidget* parent, const PrintedCode& page, QString* failure)
{
    RuntimeLibrary module = RuntimeLibrary::ownModule("print");
    void (*print)(QWidget*, const PrintedCode&) = nullptr;
    if (!module.resolve(codePrinterEntry, print)) {
        *failure = module.failure();
        return false;
    }
    print(parent, page);
    return true;
}

} // namespace wendle
