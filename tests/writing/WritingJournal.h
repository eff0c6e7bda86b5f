// SPDX-License-Identifier: GPL-3.0-or-later
// What the writing tests start from: a journal on 5 March 2026 at 10:00 in Berlin, and two prompts.
#pragma once

#include "journal/Clock.h"
#include "prompts/PromptEngine.h"
#include "reminders/ReminderScheduler.h"

#include "FailingVfs.h"
#include "Screens.h"
#include "TempJournal.h"

#include <QSettings>
#include <QTest>

namespace wendle::test {

/** Prompt "A" (memory), then prompt "B" (future). */
inline std::unique_ptr<PromptEngine> twoPrompts()
{
    return std::make_unique<PromptEngine>(
        PromptEngine::Bank{{{QStringLiteral("A"), PromptCategory::memory, QStringLiteral("Prompt A")},
                            {QStringLiteral("B"), PromptCategory::future, QStringLiteral("Prompt B")}}});
}

inline std::unique_ptr<PromptEngine> noPrompts()
{
    return std::make_unique<PromptEngine>(PromptEngine::Bank{});
}

/** Once per test program: a file system that can be made full, Berlin, and preferences of the tests' own. */
inline void setUpWritingTests(const QTemporaryDir& settings)
{
    FailingVfs::install();
    liveInBerlin();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
}

/** No preferences yet, and room on the disk: made before the journal is opened. */
struct CleanSlate
{
    CleanSlate()
    {
        QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
        FailingVfs::setFailing(false);
    }
};

/** One test's journal, with its scheduler and clock. */
struct WritingJournal : CleanSlate, TempJournal
{

    Entry* entry(const char* promptID, const char* dayKey = "2026-03-05") const
    {
        return store->firstEntry(QString::fromLatin1(dayKey), QString::fromLatin1(promptID));
    }
    /** The text saved for a prompt: "<none>" without an entry, "<unreadable>" when it does not open. */
    QString saved(const char* promptID, const char* dayKey = "2026-03-05") const
    {
        const Entry* found = entry(promptID, dayKey);
        if (!found || !opensUnder(found->cipherBody(), *key)) {
            return found ? QStringLiteral("<unreadable>") : QStringLiteral("<none>");
        }
        return openEntryText(found->cipherBody(), *key);
    }
    void write(const char* dayKey, const char* promptID, const QString& text, const EntryKey* sealedWith = nullptr)
    {
        add(QString::fromLatin1(dayKey), QString::fromLatin1(promptID), text, -1, {}, sealedWith);
        QVERIFY(store->save());
    }

    ReminderScheduler scheduler;
    ManualClock clock{berlin(5, 10)};
};

} // namespace wendle::test
