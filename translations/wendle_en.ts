<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>wendle::ExportCommand</name>
    <message numerus="yes">
        <source>%n of these files already exist in %1.</source>
        <extracomment>%1 is a folder.</extracomment>
        <translation>
            <numerusform>One of these files already exists in %1.</numerusform>
            <numerusform>%n of these files already exist in %1.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Exported %1 into %2 in %3; %n files were already there and were kept.</source>
        <translation>
            <numerusform>Exported %1 into %2 in %3; %n file was already there and was kept.</numerusform>
            <numerusform>Exported %1 into %2 in %3; %n files were already there and were kept.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::HeatmapView</name>
    <message numerus="yes">
        <source>%1: %2 words</source>
        <extracomment>%1 is a day, %2 the number of words written on it in the user&apos;s number format.</extracomment>
        <translation>
            <numerusform>%1: %2 word</numerusform>
            <numerusform>%1: %2 words</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n days</source>
        <translation>
            <numerusform>%n day</numerusform>
            <numerusform>%n days</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::HistoryView</name>
    <message numerus="yes">
        <source>%1 of %n entries</source>
        <extracomment>%1 is the number of entries found, %n the number in the journal.</extracomment>
        <translation>
            <numerusform>%1 of %n entry</numerusform>
            <numerusform>%1 of %n entries</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n entries</source>
        <translation>
            <numerusform>%n entry</numerusform>
            <numerusform>%n entries</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::ImportCommand</name>
    <message numerus="yes">
        <source>%n of them are free writing, the others answers to prompts.</source>
        <extracomment>Of the entries an import would add.</extracomment>
        <translation>
            <numerusform>One of them is free writing, the others answers to prompts.</numerusform>
            <numerusform>%n of them are free writing, the others answers to prompts.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::MonthRecapCard</name>
    <message numerus="yes">
        <source>You wrote %1 of %2 days in %3 — %4 words.</source>
        <extracomment>%1 and %2 are numbers of days (a month has at least 28), %3 a month, %4 the number of words in the user&apos;s number format, which chooses the form.</extracomment>
        <translation>
            <numerusform>You wrote %1 of %2 days in %3 — %4 word.</numerusform>
            <numerusform>You wrote %1 of %2 days in %3 — %4 words.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::SessionProgress</name>
    <message numerus="yes">
        <source>%n words</source>
        <translation>
            <numerusform>%n word</numerusform>
            <numerusform>%n words</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::SyncSettings</name>
    <message numerus="yes">
        <source>Waiting for %n computer&apos;s changes to finish arriving</source>
        <translation>
            <numerusform>Waiting for %n computer&apos;s changes to finish arriving</numerusform>
            <numerusform>Waiting for %n computers&apos; changes to finish arriving</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Last synced %n minutes ago</source>
        <translation>
            <numerusform>Last synced %n minute ago</numerusform>
            <numerusform>Last synced %n minutes ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Last synced %n hours ago</source>
        <translation>
            <numerusform>Last synced %n hour ago</numerusform>
            <numerusform>Last synced %n hours ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n entries are too long to sync (over 8 MB) and stay on this computer.</source>
        <translation>
            <numerusform>%n entry is too long to sync (over 8 MB) and stays on this computer.</numerusform>
            <numerusform>%n entries are too long to sync (over 8 MB) and stay on this computer.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::TransferContext</name>
    <message numerus="yes">
        <source>%n entries</source>
        <extracomment>A number of journal entries, inserted into sentences (&quot;Imported %1.&quot;).</extracomment>
        <translation>
            <numerusform>%n entry</numerusform>
            <numerusform>%n entries</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files</source>
        <extracomment>A number of files, inserted into sentences.</extracomment>
        <translation>
            <numerusform>%n file</numerusform>
            <numerusform>%n files</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n earlier versions</source>
        <extracomment>A number of earlier versions of entries, inserted into sentences.</extracomment>
        <translation>
            <numerusform>%n earlier version</numerusform>
            <numerusform>%n earlier versions</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n words</source>
        <extracomment>A number of words, inserted into sentences.</extracomment>
        <translation>
            <numerusform>%n word</numerusform>
            <numerusform>%n words</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::VersionsSheet</name>
    <message numerus="yes">
        <source>%1 words</source>
        <extracomment>%1 is a number of words in the user&apos;s number format.</extracomment>
        <translation>
            <numerusform>%1 word</numerusform>
            <numerusform>%1 words</numerusform>
        </translation>
    </message>
</context>
</TS>
