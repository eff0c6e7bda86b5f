<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ResurfacedRow</name>
    <message>
        <source>read entry from %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>read entry from %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::ArchiveModel</name>
    <message>
        <source>%1, %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::CodeSheet</name>
    <message>
        <source>recovery code</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::HeatmapView</name>
    <message>
        <source>activity over the last 26 weeks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: nothing written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 word</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 words</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 weeks, %2 written, best run %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 days</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::HistoryView</name>
    <message>
        <source>← today</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>back to today</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>less → more · last 26 weeks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>search entries</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Entries you write will gather here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No entry holds all of these words.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::LockView</name>
    <message>
        <source>the keyring gave the item without its contents</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the keyring has no such item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the keyring stayed locked</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unlocking the keyring was cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no keyring is running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the item holds another key</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>an item of that name is in the way</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the keyring failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>w e n d l e</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore from recovery code…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Continue with a new key…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Couldn&apos;t verify — try again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unlock with password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your keyring is locked or not running — unlock it and try again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your journal&apos;s key is missing from the keyring — restore it from your recovery code</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This key does not belong to this journal — restore yours from your recovery code</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The journal could not be written — check the disk and try again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keyring item: service %1, account %2 — %3</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::LookingBack</name>
    <message>
        <source>one month ago</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>one year ago</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::MainWindow</name>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for updates…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About wendle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show recovery code…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Wendle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wendle %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A quiet journal, one prompt a day.

Your journal is kept in %1, every entry sealed with a key that lives in your keyring as ǎntry-encryption-key” of org.wendle.Wendle.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your latest writing could not be saved: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>an unknown error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep Wendle open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit anyway</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::MonthRecapCard</name>
    <message>
        <source>looking back</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::PackageSignature</name>
    <message>
        <source>it could not be read back: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is %1 bytes long where the feed says %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its signature is not Wendle&apos;s, so it may have been tampered with.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::PamConversationDialog</name>
    <message>
        <source>Authenticate to %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>messages</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unlock</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::RecoveryCodeCheckSheet</name>
    <message>
        <source>Not now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check your recovery code</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type or paste the recovery code you keep for this journal. It is only compared with the journal&apos;s key, and not kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This is not your journal&apos;s code — show it again after authenticating</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This code opens your journal</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::RecoveryCodeDialog</name>
    <message>
        <source>Restore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore from recovery code</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type the code Wendle showed you when this journal&apos;s key was made. Case, spaces and hyphens don&apos;t matter.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>That is longer than a recovery code (%1 characters).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The checksum does not match: a character is mistyped.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2 characters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking…</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::RecoveryCodeSheet</name>
    <message>
        <source>Recovery code</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your recovery code</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If your keyring ever loses Wendle&apos;s key, this code opens your journal again. Keep it somewhere safe away from this computer: on paper, or in a password manager. Anyone with the code and your journal file can read it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>recovery code: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>I&apos;ve stored it safely</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>copied — cleared in a minute</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print recovery code</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wendle recovery code

This code opens your journal if your keyring loses its key. Keep this page somewhere safe.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::ResurfacedReader</name>
    <message>
        <source>entry text</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::RootView</name>
    <message>
        <source>Couldn&apos;t verify — try again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This code belongs to another journal.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your keyring is locked or not running — unlock it and try again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Continue with a new key</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start this journal over with a new key?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The entries written so far stay in this journal, sealed under the old key. They open again only if the old key is restored from its recovery code. A key now in your keyring is kept aside under a name of its own. Nothing is deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::SaveProblemLine</name>
    <message>
        <source>Not saved yet — %1. Wendle keeps trying.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::TodayView</name>
    <message>
        <source>%1, history</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::TrayEntryView</name>
    <message>
        <source>Check for updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unlock with password</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::TrayItem</name>
    <message>
        <source>Open wendle</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::UnlockButton</name>
    <message>
        <source>unlock</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::UpdateDialog</name>
    <message>
        <source>Software update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wendle %1 is available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You have version %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Release notes: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This release comes without notes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not now</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::UpdateFeed</name>
    <message>
        <source>it is not an RSS feed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not an HTTPS address, and Wendle fetches updates only over HTTPS.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This update cannot be verified: the feed does not give the length of its download.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This update cannot be verified: its download would be %1 bytes, more than the %2 MiB Wendle accepts.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::UpdaterController</name>
    <message>
        <source>Software updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wendle&apos;s updates come from your system&apos;s package manager.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Couldn&apos;t check for updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update feed could not be read: it is larger than the %1 MiB Wendle reads.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update feed could not be reached: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update feed could not be read: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You&apos;re up to date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You&apos;re up to date: Wendle %1 is the newest version.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Software update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Couldn&apos;t download the update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no room to keep it in %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be written: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is longer than the %1 bytes the feed announces.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The download of Wendle %1 was deleted: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wendle %1 is downloaded and its signature is checked.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Later</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::VersionsSheet</name>
    <message>
        <source>Earlier versions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>version text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore this version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This version does not open with this journal&apos;s key.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>wendle::WendleApp</name>
    <message>
        <source>

Wendle will close now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

Wendle has not changed the file. It will close now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Couldn&apos;t create Wendle&apos;s data folder %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Couldn&apos;t use Wendle&apos;s data folder %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it cannot be written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its lock file cannot be created</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
