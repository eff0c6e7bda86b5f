<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ResurfacedRow</name>
    <message>
        <source>read entry from %1</source>
        <translation>Eintrag von %1 lesen</translation>
    </message>
    <message>
        <source>read entry from %1: %2</source>
        <translation>Eintrag von %1 lesen: %2</translation>
    </message>
</context>
<context>
    <name>wendle::AppLockController</name>
    <message>
        <source>unlock your journal</source>
        <translation>dein Tagebuch zu entsperren</translation>
    </message>
</context>
<context>
    <name>wendle::ArchiveList</name>
    <message>
        <source>entries</source>
        <translation>Einträge</translation>
    </message>
</context>
<context>
    <name>wendle::ArchiveModel</name>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>wendle::BackupCommand</name>
    <message>
        <source>Back up</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Sealing the backup…</source>
        <translation>Sicherung wird versiegelt…</translation>
    </message>
    <message>
        <source>Backed up %1</source>
        <extracomment>%1 is a number of entries (&quot;2 entries&quot;).</extracomment>
        <translation>%1 gesichert</translation>
    </message>
</context>
<context>
    <name>wendle::BackupFile</name>
    <message>
        <source>This file is not a Wendle backup.</source>
        <translation>Diese Datei ist keine Wendle-Sicherung.</translation>
    </message>
    <message>
        <source>This backup was made by a newer version of Wendle. Update Wendle to restore it.</source>
        <translation>Diese Sicherung wurde mit einer neueren Version von Wendle erstellt. Aktualisiere Wendle, um sie wiederherzustellen.</translation>
    </message>
    <message>
        <source>This backup is incomplete: the file ends before its contents do.</source>
        <translation>Diese Sicherung ist unvollständig: Die Datei endet, bevor ihr Inhalt vollständig ist.</translation>
    </message>
    <message>
        <source>That is not the passphrase this backup was made with.</source>
        <translation>Das ist nicht die Passphrase, mit der diese Sicherung erstellt wurde.</translation>
    </message>
    <message>
        <source>This backup is damaged: its contents no longer match their seal.</source>
        <translation>Diese Sicherung ist beschädigt: Ihr Inhalt passt nicht mehr zu seinem Siegel.</translation>
    </message>
    <message>
        <source>The backup could not be opened: the system&apos;s cryptography failed.</source>
        <translation>Die Sicherung konnte nicht geöffnet werden: Die Kryptografie des Systems ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>This file is a snapshot: open it with “Restore from snapshot”.</source>
        <translation>Diese Datei ist eine Tageskopie: Öffne sie mit „Aus Tageskopie wiederherstellen“.</translation>
    </message>
    <message>
        <source>This file is a backup made with a passphrase: open it with “Restore from backup”.</source>
        <translation>Diese Datei ist eine mit Passphrase erstellte Sicherung: Öffne sie mit „Aus Sicherung wiederherstellen“.</translation>
    </message>
    <message>
        <source>This snapshot was sealed with another key than this journal&apos;s.</source>
        <translation>Diese Tageskopie wurde mit einem anderen Schlüssel versiegelt als dem dieses Tagebuchs.</translation>
    </message>
</context>
<context>
    <name>wendle::CodeSheet</name>
    <message>
        <source>recovery code</source>
        <translation>Wiederherstellungscode</translation>
    </message>
</context>
<context>
    <name>wendle::DBusSystemEvents</name>
    <message>
        <source>Locking the journal</source>
        <extracomment>Why Wendle delays sleep, as the desktop lists it.</extracomment>
        <translation>Das Tagebuch wird gesperrt</translation>
    </message>
</context>
<context>
    <name>wendle::EntryReader</name>
    <message>
        <source>close</source>
        <translation>schließen</translation>
    </message>
    <message>
        <source>edits won&apos;t change this day&apos;s streak</source>
        <translation>Bearbeiten ändert die Serie dieses Tages nicht</translation>
    </message>
    <message>
        <source>entry text</source>
        <translation>Eintragstext</translation>
    </message>
    <message>
        <source>Earlier versions…</source>
        <translation>Frühere Versionen…</translation>
    </message>
    <message>
        <source>Saved</source>
        <translation>Gespeichert</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
</context>
<context>
    <name>wendle::EntryStore</name>
    <message>
        <source>Couldn&apos;t read the journal %1: %2.</source>
        <translation>Das Tagebuch %1 konnte nicht gelesen werden: %2.</translation>
    </message>
</context>
<context>
    <name>wendle::ExportCommand</name>
    <message>
        <source>This export is not encrypted.</source>
        <translation>Dieser Export ist nicht verschlüsselt.</translation>
    </message>
    <message>
        <source>Anyone who can open the exported files can read every entry in them. Keep them where only you can reach them, and delete them when you no longer need them.</source>
        <translation>Wer die exportierten Dateien öffnen kann, kann jeden Eintrag darin lesen. Bewahre sie dort auf, wo nur du Zugriff hast, und lösche sie, wenn du sie nicht mehr brauchst.</translation>
    </message>
    <message>
        <source>Export as Markdown…</source>
        <translation>Als Markdown exportieren…</translation>
    </message>
    <message>
        <source>Export as JSON…</source>
        <translation>Als JSON exportieren…</translation>
    </message>
    <message>
        <source>Export into folder</source>
        <translation>In Ordner exportieren</translation>
    </message>
    <message>
        <source>Export to file</source>
        <translation>In Datei exportieren</translation>
    </message>
    <message>
        <source>Replace them with this export, or keep them and write only the other files?</source>
        <translation>Möchtest du sie durch diesen Export ersetzen oder sie behalten und nur die übrigen Dateien schreiben?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Keep existing files</source>
        <translation>Vorhandene Dateien behalten</translation>
    </message>
    <message>
        <source>Exporting…</source>
        <translation>Wird exportiert…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>The export was cancelled. No file was written.</source>
        <translation>Der Export wurde abgebrochen. Es wurde keine Datei geschrieben.</translation>
    </message>
    <message>
        <source>The export stopped: %1 No file was written.</source>
        <extracomment>%1 is a sentence that says what failed.</extracomment>
        <translation>Der Export ist fehlgeschlagen: %1 Es wurde keine Datei geschrieben.</translation>
    </message>
    <message>
        <source>Exported %1 into %2 in %3.</source>
        <extracomment>%1 is a number of entries (&quot;3 entries&quot;), %2 a number of files (&quot;2 files&quot;), %3 a folder.</extracomment>
        <translation>%1 als %2 nach %3 exportiert.</translation>
    </message>
    <message>
        <source> %1 could not be opened with this journal&apos;s key; they are exported with a note in place of their text, and stay in the journal.</source>
        <extracomment>%1 is a number of entries (&quot;2 entries&quot;).</extracomment>
        <translation> Nicht mit dem Schlüssel dieses Tagebuchs zu öffnen: %1. Solche Einträge werden mit einem Hinweis anstelle ihres Textes exportiert und bleiben im Tagebuch erhalten.</translation>
    </message>
    <message numerus="yes">
        <source>%n of these files already exist in %1.</source>
        <extracomment>%1 is a folder.</extracomment>
        <translation>
            <numerusform>Eine dieser Dateien ist in %1 bereits vorhanden.</numerusform>
            <numerusform>%n dieser Dateien sind in %1 bereits vorhanden.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Exported %1 into %2 in %3; %n files were already there and were kept.</source>
        <translation>
            <numerusform>%1 als %2 nach %3 exportiert; %n Datei war bereits vorhanden und wurde behalten.</numerusform>
            <numerusform>%1 als %2 nach %3 exportiert; %n Dateien waren bereits vorhanden und wurden behalten.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::ExportWriter</name>
    <message>
        <source>&quot;%1&quot; is not a file name.</source>
        <extracomment>%1 is a name the export would have given a file.</extracomment>
        <translation>„%1“ ist kein Dateiname.</translation>
    </message>
    <message>
        <source>%1 already exists.</source>
        <translation>%1 ist bereits vorhanden.</translation>
    </message>
    <message>
        <source>%1 could not be written: %2.</source>
        <extracomment>%1 is a file, %2 what the system said.</extracomment>
        <translation>%1 konnte nicht geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>%1 is there and is not a file, so it was left as it was.</source>
        <extracomment>%1 is a path.</extracomment>
        <translation>%1 ist vorhanden, aber keine Datei, und wurde daher unverändert gelassen.</translation>
    </message>
    <message>
        <source>%1 could not be replaced: %2.</source>
        <extracomment>%1 is a file, %2 what the system said.</extracomment>
        <translation>%1 konnte nicht ersetzt werden: %2.</translation>
    </message>
    <message>
        <source>The files in %1 could not be written to the disk: %2.</source>
        <extracomment>%1 is a folder, %2 what the system said.</extracomment>
        <translation>Die Dateien in %1 konnten nicht auf den Datenträger geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>The folder %1 could not be written to the disk: %2.</source>
        <extracomment>%1 is a folder, %2 what the system said.</extracomment>
        <translation>Der Ordner %1 konnte nicht auf den Datenträger geschrieben werden: %2.</translation>
    </message>
</context>
<context>
    <name>wendle::HeatmapView</name>
    <message>
        <source>activity over the last 26 weeks</source>
        <translation>Aktivität der letzten 26 Wochen</translation>
    </message>
    <message>
        <source>%1: nothing written</source>
        <translation>%1: nichts geschrieben</translation>
    </message>
    <message numerus="yes">
        <source>%1: %2 words</source>
        <extracomment>%1 is a day, %2 the number of words written on it in the user&apos;s number format.</extracomment>
        <translation>
            <numerusform>%1: %2 Wort</numerusform>
            <numerusform>%1: %2 Wörter</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 weeks, %2 written, best run %3</source>
        <extracomment>%1 is a number of weeks, %2 and %3 numbers of days (&quot;3 days&quot;).</extracomment>
        <translation>%1 Wochen, %2 mit Eintrag, beste Serie %3</translation>
    </message>
    <message numerus="yes">
        <source>%n days</source>
        <translation>
            <numerusform>%n Tag</numerusform>
            <numerusform>%n Tage</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::HistoryView</name>
    <message>
        <source>← today</source>
        <translation>← heute</translation>
    </message>
    <message>
        <source>back to today</source>
        <translation>zurück zu heute</translation>
    </message>
    <message>
        <source>less → more · last 26 weeks</source>
        <translation>weniger → mehr · letzte 26 Wochen</translation>
    </message>
    <message>
        <source>search entries</source>
        <translation>Einträge durchsuchen</translation>
    </message>
    <message>
        <source>Entries you write will gather here.</source>
        <translation>Deine Einträge sammeln sich hier.</translation>
    </message>
    <message>
        <source>No entry holds all of these words.</source>
        <translation>Kein Eintrag enthält all diese Wörter.</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n entries</source>
        <extracomment>%1 is the number of entries found, %n the number in the journal.</extracomment>
        <translation>
            <numerusform>%1 von %n Eintrag</numerusform>
            <numerusform>%1 von %n Einträgen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n entries</source>
        <translation>
            <numerusform>%n Eintrag</numerusform>
            <numerusform>%n Einträge</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::ImportCommand</name>
    <message>
        <source>Import entries from…</source>
        <translation>Einträge importieren aus…</translation>
    </message>
    <message>
        <source>a folder of text or Markdown files named by date (YYYY-MM-DD…), or a JSON export of jrnl or Wendle.</source>
        <extracomment>Continues &quot;Import entries from…&quot;.</extracomment>
        <translation>einem Ordner mit Text- oder Markdown-Dateien, die nach Datum benannt sind (YYYY-MM-DD…), oder einem JSON-Export von jrnl oder Wendle.</translation>
    </message>
    <message>
        <source>Folder…</source>
        <translation>Ordner…</translation>
    </message>
    <message>
        <source>JSON file…</source>
        <translation>JSON-Datei…</translation>
    </message>
    <message>
        <source>Import folder</source>
        <translation>Ordner importieren</translation>
    </message>
    <message>
        <source>Import JSON export</source>
        <translation>JSON-Export importieren</translation>
    </message>
    <message>
        <source>JSON files</source>
        <translation>JSON-Dateien</translation>
    </message>
    <message>
        <source>Reading the files…</source>
        <translation>Dateien werden gelesen…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>The import was cancelled. Nothing was added.</source>
        <translation>Der Import wurde abgebrochen. Es wurde nichts hinzugefügt.</translation>
    </message>
    <message>
        <source>Reading the file…</source>
        <translation>Datei wird gelesen…</translation>
    </message>
    <message>
        <source>Adds to the entry of %1 (%2) from %3</source>
        <extracomment>%1 is a day (YYYY-MM-DD), %2 a number of words, %3 the file it comes from.</extracomment>
        <translation>Ergänzt den Eintrag vom %1 (%2) aus %3</translation>
    </message>
    <message>
        <source>Adds %1 (%2) from %3</source>
        <extracomment>%1 is a day (YYYY-MM-DD), %2 a number of words, %3 the file it comes from.</extracomment>
        <translation>Fügt %1 (%2) aus %3 hinzu</translation>
    </message>
    <message>
        <source>Note on %1: %2</source>
        <extracomment>%1 is a file, %2 what is worth a look.</extracomment>
        <translation>Hinweis zu %1: %2</translation>
    </message>
    <message>
        <source>Skips %1: %2</source>
        <extracomment>%1 is a file, %2 why it is skipped.</extracomment>
        <translation>Überspringt %1: %2</translation>
    </message>
    <message>
        <source>%1 skipped</source>
        <extracomment>%1 is a number of entries (&quot;2 entries&quot;).</extracomment>
        <translation>%1 übersprungen</translation>
    </message>
    <message>
        <source>Nothing to import (%1).</source>
        <extracomment>%1 is &quot;2 entries skipped&quot;.</extracomment>
        <translation>Nichts zu importieren (%1).</translation>
    </message>
    <message>
        <source>They are free writing.</source>
        <translation>Sie sind frei geschrieben.</translation>
    </message>
    <message>
        <source>Dated files and jrnl entries of one journal day (it starts at 03:00) become one entry of free writing, oldest first, each a title line and its text; stars and tags are dropped.</source>
        <translation>Datierte Dateien und jrnl-Einträge eines Tagebuchtages (er beginnt um 03:00 Uhr) werden zu einem frei geschriebenen Eintrag zusammengefasst, die ältesten zuerst, jeweils mit einer Titelzeile und ihrem Text; Sterne und Tags entfallen.</translation>
    </message>
    <message>
        <source>Text new to an entry the journal already has is added after it; nothing there is replaced.</source>
        <translation>Text, der einem bereits vorhandenen Eintrag noch fehlt, wird daran angehängt; dort wird nichts ersetzt.</translation>
    </message>
    <message>
        <source>Some files need a look: see the details.</source>
        <translation>Einige Dateien solltest du dir ansehen: siehe Details.</translation>
    </message>
    <message>
        <source>Their words count towards the days they were written.</source>
        <translation>Ihre Wörter zählen für die Tage, an denen sie geschrieben wurden.</translation>
    </message>
    <message>
        <source>This would add %1 (%2).</source>
        <extracomment>%1 is a number of entries, %2 &quot;1 entry skipped&quot;.</extracomment>
        <translation>Der Import würde %1 hinzufügen (%2).</translation>
    </message>
    <message>
        <source>Import %1</source>
        <extracomment>A button; %1 is a number of entries.</extracomment>
        <translation>%1 importieren</translation>
    </message>
    <message>
        <source>The imported entries could not be saved yet (%1). Wendle keeps trying.</source>
        <extracomment>%1 is what went wrong.</extracomment>
        <translation>Die importierten Einträge konnten noch nicht gespeichert werden (%1). Wendle versucht es weiter.</translation>
    </message>
    <message>
        <source>Imported %1.</source>
        <extracomment>%1 is a number of entries (&quot;2 entries&quot;).</extracomment>
        <translation>%1 importiert.</translation>
    </message>
    <message numerus="yes">
        <source>%n of them are free writing, the others answers to prompts.</source>
        <extracomment>Of the entries an import would add.</extracomment>
        <translation>
            <numerusform>Einer davon ist frei geschrieben, die anderen sind Antworten auf Impulse.</numerusform>
            <numerusform>%n davon sind frei geschrieben, die anderen sind Antworten auf Impulse.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::ImportFiles</name>
    <message>
        <source>it is not a regular file</source>
        <extracomment>Why a file is skipped (follows &quot;Skips &lt;file&gt;: &quot;).</extracomment>
        <translation>ist keine reguläre Datei</translation>
    </message>
    <message>
        <source>it is too large (more than %1 MiB)</source>
        <extracomment>Why a file is skipped (follows &quot;Skips &lt;file&gt;: &quot;); MiB is mebibytes.</extracomment>
        <translation>ist zu groß (mehr als %1 MiB)</translation>
    </message>
    <message>
        <source>reading it was cancelled</source>
        <translation>das Lesen wurde abgebrochen</translation>
    </message>
    <message>
        <source>it could not be read (%1)</source>
        <extracomment>Why a file is skipped; %1 is what the system said.</extracomment>
        <translation>konnte nicht gelesen werden (%1)</translation>
    </message>
    <message>
        <source>it could not be opened (%1)</source>
        <extracomment>Why a file is skipped; %1 is what the system said.</extracomment>
        <translation>konnte nicht geöffnet werden (%1)</translation>
    </message>
    <message>
        <source>the folder could not be read (%1)</source>
        <extracomment>Why a folder is skipped; %1 is what the system said.</extracomment>
        <translation>der Ordner konnte nicht gelesen werden (%1)</translation>
    </message>
    <message>
        <source>its name is not valid UTF-8</source>
        <translation>der Name ist kein gültiges UTF-8</translation>
    </message>
    <message>
        <source>it is a link to something outside the folder</source>
        <translation>ist ein Link auf etwas außerhalb des Ordners</translation>
    </message>
</context>
<context>
    <name>wendle::IncomingEntry</name>
    <message>
        <source>its day is not a date (YYYY-MM-DD)</source>
        <extracomment>Why an entry is refused (follows &quot;Skips &lt;entry&gt;: &quot;).</extracomment>
        <translation>der Tag ist kein Datum (YYYY-MM-DD)</translation>
    </message>
    <message>
        <source>%1 is not a real day</source>
        <extracomment>Why an entry is refused; %1 is a date (YYYY-MM-DD).</extracomment>
        <translation>%1 ist kein gültiges Datum</translation>
    </message>
    <message>
        <source>%1 is after today</source>
        <extracomment>Why an entry is refused; %1 is a date (YYYY-MM-DD).</extracomment>
        <translation>%1 liegt in der Zukunft</translation>
    </message>
    <message>
        <source>its prompt id is not one Wendle uses</source>
        <translation>die Impuls-ID wird von Wendle nicht verwendet</translation>
    </message>
    <message>
        <source>its category is not a category name</source>
        <translation>die Kategorie ist kein gültiger Kategoriename</translation>
    </message>
    <message>
        <source>contains bytes that are not UTF-8; they were replaced</source>
        <extracomment>What is worth a look in a file (follows &quot;Note on &lt;file&gt;: &quot;).</extracomment>
        <translation>enthält Bytes, die kein gültiges UTF-8 sind; sie wurden ersetzt</translation>
    </message>
</context>
<context>
    <name>wendle::JournalBackup</name>
    <message>
        <source>it holds no text</source>
        <extracomment>Why an entry of a backup is skipped (follows &quot;Skips entry 3: &quot;).</extracomment>
        <translation>enthält keinen Text</translation>
    </message>
    <message>
        <source>Wendle backups</source>
        <translation>Wendle-Sicherungen</translation>
    </message>
    <message>
        <source>%1 could not be read back: %2.</source>
        <extracomment>%1 is a file, %2 why it could not be read.</extracomment>
        <translation>%1 konnte nicht erneut gelesen werden: %2.</translation>
    </message>
    <message>
        <source>The file %1 did not read back as written; do not rely on it.</source>
        <extracomment>%1 is a file.</extracomment>
        <translation>Die Datei %1 stimmte beim erneuten Lesen nicht mit dem Geschriebenen überein; verlass dich nicht auf sie.</translation>
    </message>
    <message>
        <source>The backup could not be sealed: the system&apos;s cryptography failed.</source>
        <translation>Die Sicherung konnte nicht versiegelt werden: Die Kryptografie des Systems ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>the entries could not be sealed with this journal&apos;s key</source>
        <translation>die Einträge konnten nicht mit dem Schlüssel dieses Tagebuchs versiegelt werden</translation>
    </message>
</context>
<context>
    <name>wendle::JournalExport</name>
    <message>
        <source>The folder %1 could not be created.</source>
        <extracomment>%1 is a folder.</extracomment>
        <translation>Der Ordner %1 konnte nicht angelegt werden.</translation>
    </message>
</context>
<context>
    <name>wendle::JournalFile</name>
    <message>
        <source>Couldn&apos;t open the journal %1: %2.</source>
        <translation>Das Tagebuch %1 konnte nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>%1 is not a Wendle journal, or it is damaged: %2.</source>
        <translation>%1 ist kein Wendle-Tagebuch oder ist beschädigt: %2.</translation>
    </message>
    <message>
        <source>%1 was written by a newer version of Wendle. Update Wendle to open it.</source>
        <translation>%1 wurde mit einer neueren Version von Wendle gespeichert. Aktualisiere Wendle, um die Datei zu öffnen.</translation>
    </message>
    <message>
        <source>%1 is not a Wendle journal.</source>
        <translation>%1 ist kein Wendle-Tagebuch.</translation>
    </message>
    <message>
        <source>%1 is not a Wendle journal: its tables are not the expected ones.</source>
        <translation>%1 ist kein Wendle-Tagebuch: Die Datei enthält nicht die erwarteten Tabellen.</translation>
    </message>
    <message>
        <source>Couldn&apos;t open the journal %1: %2 cannot be written (%3).</source>
        <translation>Das Tagebuch %1 konnte nicht geöffnet werden: %2 ist nicht beschreibbar (%3).</translation>
    </message>
    <message>
        <source>its folder %1</source>
        <translation>sein Ordner %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t create the folder %1.</source>
        <translation>Der Ordner %1 konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Couldn&apos;t create the journal %1: %2.</source>
        <translation>Das Tagebuch %1 konnte nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>der Datenträger ist voll</translation>
    </message>
    <message>
        <source>the journal is read-only</source>
        <translation>das Tagebuch ist schreibgeschützt</translation>
    </message>
    <message>
        <source>the disk reported an error</source>
        <translation>der Datenträger hat einen Fehler gemeldet</translation>
    </message>
</context>
<context>
    <name>wendle::JournalImport</name>
    <message>
        <source>the day&apos;s entry it belongs to could not be opened with this journal&apos;s key</source>
        <translation>der zugehörige Eintrag des Tages lässt sich nicht mit dem Schlüssel dieses Tagebuchs öffnen</translation>
    </message>
    <message>
        <source>its text is already in this day&apos;s entry</source>
        <extracomment>Why a file or entry is skipped (follows &quot;Skips &lt;file&gt;: &quot;).</extracomment>
        <translation>der Text steht bereits im Eintrag dieses Tages</translation>
    </message>
    <message>
        <source>already in the journal</source>
        <translation>bereits im Tagebuch</translation>
    </message>
    <message>
        <source>its date is missing or malformed</source>
        <translation>das Datum fehlt oder ist fehlerhaft</translation>
    </message>
    <message>
        <source>its text was not readable when it was exported</source>
        <translation>der Text war beim Export nicht lesbar</translation>
    </message>
    <message>
        <source>it does not start with a date (YYYY-MM-DD)</source>
        <translation>beginnt nicht mit einem Datum (YYYY-MM-DD)</translation>
    </message>
    <message>
        <source>%1 is not a real day</source>
        <extracomment>Why a file is skipped; %1 is a date (YYYY-MM-DD).</extracomment>
        <translation>%1 ist kein gültiges Datum</translation>
    </message>
    <message>
        <source>%1, entry %2</source>
        <extracomment>Names an entry of an imported file: %1 is the file, %2 the entry&apos;s number in it.</extracomment>
        <translation>%1, Eintrag %2</translation>
    </message>
    <message>
        <source>it has no valid date and time</source>
        <translation>hat kein gültiges Datum mit Uhrzeit</translation>
    </message>
    <message>
        <source>it has no text</source>
        <translation>enthält keinen Text</translation>
    </message>
    <message>
        <source>its name: %1</source>
        <extracomment>Why a file is skipped: %1 says what is wrong with the date its name starts with.</extracomment>
        <translation>Dateiname: %1</translation>
    </message>
    <message>
        <source>it is empty</source>
        <translation>ist leer</translation>
    </message>
    <message>
        <source>it is not valid JSON (%1)</source>
        <extracomment>Why a file is skipped; %1 is what the JSON reader said.</extracomment>
        <translation>ist kein gültiges JSON (%1)</translation>
    </message>
    <message>
        <source>it has no list of entries</source>
        <translation>enthält keine Liste von Einträgen</translation>
    </message>
    <message>
        <source>the entries could not be sealed with this journal&apos;s key</source>
        <translation>die Einträge konnten nicht mit dem Schlüssel dieses Tagebuchs versiegelt werden</translation>
    </message>
</context>
<context>
    <name>wendle::LockView</name>
    <message>
        <source>the keyring gave the item without its contents</source>
        <translation>der Schlüsselbund hat den Eintrag ohne Inhalt geliefert</translation>
    </message>
    <message>
        <source>the keyring has no such item</source>
        <translation>diesen Eintrag gibt es im Schlüsselbund nicht</translation>
    </message>
    <message>
        <source>the keyring stayed locked</source>
        <translation>der Schlüsselbund blieb gesperrt</translation>
    </message>
    <message>
        <source>unlocking the keyring was cancelled</source>
        <translation>das Entsperren des Schlüsselbunds wurde abgebrochen</translation>
    </message>
    <message>
        <source>no keyring is running</source>
        <translation>es läuft kein Schlüsselbund</translation>
    </message>
    <message>
        <source>the item holds another key</source>
        <translation>der Eintrag enthält einen anderen Schlüssel</translation>
    </message>
    <message>
        <source>an item of that name is in the way</source>
        <translation>ein gleichnamiger Eintrag ist im Weg</translation>
    </message>
    <message>
        <source>the keyring failed</source>
        <translation>im Schlüsselbund ist ein Fehler aufgetreten</translation>
    </message>
    <message>
        <source>w e n d l e</source>
        <translation>w e n d l e</translation>
    </message>
    <message>
        <source>Restore from recovery code…</source>
        <translation>Mit Wiederherstellungscode wiederherstellen…</translation>
    </message>
    <message>
        <source>Continue with a new key…</source>
        <translation>Mit neuem Schlüssel fortfahren…</translation>
    </message>
    <message>
        <source>Couldn&apos;t verify — try again</source>
        <translation>Prüfung fehlgeschlagen — versuch es noch einmal</translation>
    </message>
    <message>
        <source>Unlock with password</source>
        <translation>Mit Passwort entsperren</translation>
    </message>
    <message>
        <source>Your keyring is locked or not running — unlock it and try again</source>
        <translation>Dein Schlüsselbund ist gesperrt oder läuft nicht — entsperre ihn und versuch es noch einmal</translation>
    </message>
    <message>
        <source>Your journal&apos;s key is missing from the keyring — restore it from your recovery code</source>
        <translation>Der Schlüssel deines Tagebuchs fehlt im Schlüsselbund — stell ihn mit deinem Wiederherstellungscode wieder her</translation>
    </message>
    <message>
        <source>This key does not belong to this journal — restore yours from your recovery code</source>
        <translation>Dieser Schlüssel gehört nicht zu diesem Tagebuch — stell deinen mit deinem Wiederherstellungscode wieder her</translation>
    </message>
    <message>
        <source>The journal could not be written — check the disk and try again</source>
        <translation>Das Tagebuch konnte nicht gespeichert werden — prüf den Datenträger und versuch es noch einmal</translation>
    </message>
    <message>
        <source>Keyring item: service %1, account %2 — %3</source>
        <translation>Schlüsselbund-Eintrag: Dienst %1, Konto %2 — %3</translation>
    </message>
</context>
<context>
    <name>wendle::LookingBack</name>
    <message>
        <source>one month ago</source>
        <translation>vor einem Monat</translation>
    </message>
    <message>
        <source>one year ago</source>
        <translation>vor einem Jahr</translation>
    </message>
</context>
<context>
    <name>wendle::MainWindow</name>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Einstellungen…</translation>
    </message>
    <message>
        <source>Check for updates…</source>
        <translation>Nach Aktualisierungen suchen…</translation>
    </message>
    <message>
        <source>About wendle</source>
        <translation>Über wendle</translation>
    </message>
    <message>
        <source>Show recovery code…</source>
        <translation>Wiederherstellungscode anzeigen…</translation>
    </message>
    <message>
        <source>About Wendle</source>
        <translation>Über Wendle</translation>
    </message>
    <message>
        <source>Wendle %1</source>
        <translation>Wendle %1</translation>
    </message>
    <message>
        <source>A quiet journal, one prompt a day.

Your journal is kept in %1, every entry sealed with a key that lives in your keyring as “entry-encryption-key” of org.wendle.Wendle.</source>
        <translation>Ein stilles Tagebuch, ein Impuls am Tag.

Dein Tagebuch liegt in %1. Jeder Eintrag ist mit einem Schlüssel versiegelt, der in deinem Schlüsselbund als „entry-encryption-key“ von org.wendle.Wendle hinterlegt ist.</translation>
    </message>
    <message>
        <source>Your latest writing could not be saved: %1.</source>
        <translation>Was du zuletzt geschrieben hast, konnte nicht gespeichert werden: %1.</translation>
    </message>
    <message>
        <source>an unknown error</source>
        <translation>ein unbekannter Fehler</translation>
    </message>
    <message>
        <source>Keep Wendle open</source>
        <translation>Wendle offen lassen</translation>
    </message>
    <message>
        <source>Quit anyway</source>
        <translation>Trotzdem beenden</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Use my journal from another computer…</source>
        <translation>Mein Tagebuch von einem anderen Computer verwenden…</translation>
    </message>
    <message>
        <source>Unlock the journal, then try again.</source>
        <translation>Entsperre das Tagebuch und versuch es noch einmal.</translation>
    </message>
</context>
<context>
    <name>wendle::MonthRecap</name>
    <message>
        <source>begin %1</source>
        <translation>%1 beginnen</translation>
    </message>
</context>
<context>
    <name>wendle::MonthRecapCard</name>
    <message>
        <source>looking back</source>
        <translation>Rückblick</translation>
    </message>
    <message numerus="yes">
        <source>You wrote %1 of %2 days in %3 — %4 words.</source>
        <extracomment>%1 and %2 are numbers of days (a month has at least 28), %3 a month, %4 the number of words in the user&apos;s number format, which chooses the form.</extracomment>
        <translation>
            <numerusform>Du hast im %3 an %1 von %2 Tagen geschrieben — %4 Wort.</numerusform>
            <numerusform>Du hast im %3 an %1 von %2 Tagen geschrieben — %4 Wörter.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::PackageSignature</name>
    <message>
        <source>it could not be read back: %1.</source>
        <translation>er konnte nicht erneut gelesen werden: %1.</translation>
    </message>
    <message>
        <source>it is %1 bytes long where the feed says %2.</source>
        <translation>er ist %1 Byte groß, laut Feed aber %2.</translation>
    </message>
    <message>
        <source>its signature is not Wendle&apos;s, so it may have been tampered with.</source>
        <translation>seine Signatur stammt nicht von Wendle, er wurde also möglicherweise manipuliert.</translation>
    </message>
</context>
<context>
    <name>wendle::PamConversationDialog</name>
    <message>
        <source>Authenticate to %1.</source>
        <translation>Authentifiziere dich, um %1.</translation>
    </message>
    <message>
        <source>messages</source>
        <translation>Meldungen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Unlock</source>
        <translation>Entsperren</translation>
    </message>
</context>
<context>
    <name>wendle::PassphraseDialog</name>
    <message>
        <source>Include earlier versions</source>
        <translation>Frühere Versionen einbeziehen</translation>
    </message>
    <message>
        <source>Back up</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Restore from backup</source>
        <translation>Aus Sicherung wiederherstellen</translation>
    </message>
    <message>
        <source>Choose a passphrase for this backup. Without it the backup cannot be opened, by anyone: keep it somewhere safe.</source>
        <translation>Wähle eine Passphrase für diese Sicherung. Ohne sie kann niemand die Sicherung öffnen: Bewahre sie an einem sicheren Ort auf.</translation>
    </message>
    <message>
        <source>Enter the passphrase this backup was made with.</source>
        <translation>Gib die Passphrase ein, mit der diese Sicherung erstellt wurde.</translation>
    </message>
    <message>
        <source>Passphrase</source>
        <translation>Passphrase</translation>
    </message>
    <message>
        <source>Passphrase again</source>
        <translation>Passphrase wiederholen</translation>
    </message>
    <message>
        <source>Again</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Use at least %1 characters.</source>
        <translation>Verwende mindestens %1 Zeichen.</translation>
    </message>
    <message>
        <source>The two passphrases differ.</source>
        <translation>Die beiden Passphrasen stimmen nicht überein.</translation>
    </message>
</context>
<context>
    <name>wendle::PromptCategory</name>
    <message>
        <source>affirmation</source>
        <translation>Bestärkung</translation>
    </message>
    <message>
        <source>visualization</source>
        <translation>Vorstellung</translation>
    </message>
    <message>
        <source>memory</source>
        <translation>Erinnerung</translation>
    </message>
    <message>
        <source>future</source>
        <translation>Zukunft</translation>
    </message>
    <message>
        <source>gratitude</source>
        <translation>Dankbarkeit</translation>
    </message>
    <message>
        <source>morning pages</source>
        <translation>Morgenseiten</translation>
    </message>
</context>
<context>
    <name>wendle::RecoveryCodeCheckSheet</name>
    <message>
        <source>Not now</source>
        <translation>Nicht jetzt</translation>
    </message>
    <message>
        <source>Check your recovery code</source>
        <translation>Wiederherstellungscode prüfen</translation>
    </message>
    <message>
        <source>Type or paste the recovery code you keep for this journal. It is only compared with the journal&apos;s key, and not kept.</source>
        <translation>Gib den Wiederherstellungscode ein, den du für dieses Tagebuch aufbewahrst, oder füge ihn ein. Er wird nur mit dem Schlüssel des Tagebuchs verglichen und nicht gespeichert.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>This is not your journal&apos;s code — show it again after authenticating</source>
        <translation>Das ist nicht der Code deines Tagebuchs — lass ihn dir nach der Authentifizierung erneut anzeigen</translation>
    </message>
    <message>
        <source>This code opens your journal</source>
        <translation>Dieser Code öffnet dein Tagebuch</translation>
    </message>
</context>
<context>
    <name>wendle::RecoveryCodeDialog</name>
    <message>
        <source>Restore</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Restore from recovery code</source>
        <translation>Mit Wiederherstellungscode wiederherstellen</translation>
    </message>
    <message>
        <source>Type the code Wendle showed you when this journal&apos;s key was made. Case, spaces and hyphens don&apos;t matter.</source>
        <translation>Gib den Code ein, den Wendle dir beim Erstellen des Schlüssels für dieses Tagebuch gezeigt hat. Groß- und Kleinschreibung, Leerzeichen und Bindestriche spielen keine Rolle.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>That is longer than a recovery code (%1 characters).</source>
        <translation>Das ist länger als ein Wiederherstellungscode (%1 Zeichen).</translation>
    </message>
    <message>
        <source>The checksum does not match: a character is mistyped.</source>
        <translation>Die Prüfsumme stimmt nicht: Ein Zeichen ist falsch eingegeben.</translation>
    </message>
    <message>
        <source>%1 of %2 characters</source>
        <translation>%1 von %2 Zeichen</translation>
    </message>
    <message>
        <source>Checking…</source>
        <translation>Wird geprüft…</translation>
    </message>
    <message>
        <source>Use this journal</source>
        <translation>Dieses Tagebuch verwenden</translation>
    </message>
    <message>
        <source>Use my journal from another computer</source>
        <translation>Mein Tagebuch von einem anderen Computer verwenden</translation>
    </message>
    <message>
        <source>Type the recovery code of the journal on your other computer. Its entries arrive through the sync folder you choose next. Case, spaces and hyphens don&apos;t matter.</source>
        <translation>Gib den Wiederherstellungscode des Tagebuchs auf deinem anderen Computer ein. Seine Einträge kommen über den Sync-Ordner, den du als Nächstes auswählst. Groß- und Kleinschreibung, Leerzeichen und Bindestriche spielen keine Rolle.</translation>
    </message>
    <message>
        <source>Couldn&apos;t verify — try again</source>
        <translation>Prüfung fehlgeschlagen — versuch es noch einmal</translation>
    </message>
    <message>
        <source>Join that journal</source>
        <translation>Diesem Tagebuch beitreten</translation>
    </message>
    <message>
        <source>Type the recovery code of the journal on your other computer. The entries written here are sealed again under its key and join it; from then on that code, not this journal&apos;s old one, opens them. Case, spaces and hyphens don&apos;t matter.</source>
        <translation>Gib den Wiederherstellungscode des Tagebuchs auf deinem anderen Computer ein. Die hier geschriebenen Einträge werden unter seinem Schlüssel neu versiegelt und kommen hinzu; von da an öffnet sie jener Code, nicht mehr der alte dieses Tagebuchs. Groß- und Kleinschreibung, Leerzeichen und Bindestriche spielen keine Rolle.</translation>
    </message>
</context>
<context>
    <name>wendle::RecoveryCodeSheet</name>
    <message>
        <source>Recovery code</source>
        <translation>Wiederherstellungscode</translation>
    </message>
    <message>
        <source>Your recovery code</source>
        <translation>Dein Wiederherstellungscode</translation>
    </message>
    <message>
        <source>If your keyring ever loses Wendle&apos;s key, this code opens your journal again. Keep it somewhere safe away from this computer: on paper, or in a password manager. Anyone with the code and your journal file can read it.</source>
        <translation>Falls dein Schlüsselbund Wendles Schlüssel einmal verliert, öffnet dieser Code dein Tagebuch wieder. Bewahre ihn sicher und getrennt von diesem Computer auf: auf Papier oder in einem Passwortmanager. Wer den Code und deine Tagebuchdatei hat, kann dein Tagebuch lesen.</translation>
    </message>
    <message>
        <source>recovery code: %1</source>
        <translation>Wiederherstellungscode: %1</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Print…</source>
        <translation>Drucken…</translation>
    </message>
    <message>
        <source>I&apos;ve stored it safely</source>
        <translation>Ich habe ihn sicher verwahrt</translation>
    </message>
    <message>
        <source>copied — cleared in a minute</source>
        <translation>kopiert — wird in einer Minute gelöscht</translation>
    </message>
    <message>
        <source>Print recovery code</source>
        <translation>Wiederherstellungscode drucken</translation>
    </message>
    <message>
        <source>Wendle recovery code

This code opens your journal if your keyring loses its key. Keep this page somewhere safe.</source>
        <translation>Wendle-Wiederherstellungscode

Dieser Code öffnet dein Tagebuch, falls dein Schlüsselbund den Schlüssel verliert. Bewahre diese Seite an einem sicheren Ort auf.</translation>
    </message>
    <message>
        <source>Printing is not available: Wendle&apos;s print module could not be loaded (%1).</source>
        <translation>Drucken ist nicht möglich: Das Druckmodul von Wendle konnte nicht geladen werden (%1).</translation>
    </message>
    <message>
        <source>Use my journal from another computer…</source>
        <translation>Mein Tagebuch von einem anderen Computer verwenden…</translation>
    </message>
</context>
<context>
    <name>wendle::ReminderScheduler</name>
    <message>
        <source>Your prompt for today is waiting.</source>
        <translation>Dein Impuls für heute wartet auf dich.</translation>
    </message>
</context>
<context>
    <name>wendle::RestoreCommand</name>
    <message>
        <source>Restore from backup</source>
        <translation>Aus Sicherung wiederherstellen</translation>
    </message>
    <message>
        <source>backup</source>
        <extracomment>Put into sentences such as &quot;This backup would add 3 entries&quot;.</extracomment>
        <translation>Sicherung</translation>
    </message>
    <message>
        <source>Restore from snapshot</source>
        <translation>Aus Tageskopie wiederherstellen</translation>
    </message>
    <message>
        <source>snapshot</source>
        <extracomment>Put into sentences such as &quot;This snapshot would add 3 entries&quot;.</extracomment>
        <translation>Tageskopie</translation>
    </message>
    <message>
        <source>Opening the %1…</source>
        <extracomment>%1 is &quot;backup&quot; or &quot;snapshot&quot;.</extracomment>
        <translation>%1 wird geöffnet…</translation>
    </message>
    <message>
        <source>%1 could not be read: %2.</source>
        <extracomment>%1 is a file, %2 why it could not be read.</extracomment>
        <translation>%1 konnte nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source> Nothing was changed.</source>
        <extracomment>Follows a message that says why the file could not be opened.</extracomment>
        <translation> Es wurde nichts geändert.</translation>
    </message>
    <message>
        <source>Skips entry %1: %2</source>
        <extracomment>%1 is the entry&apos;s number in the file, %2 why it is skipped.</extracomment>
        <translation>Überspringt Eintrag %1: %2</translation>
    </message>
    <message>
        <source>%1 already in the journal</source>
        <extracomment>%1 is a number of entries (&quot;2 entries&quot;); goes inside the parentheses of the question.</extracomment>
        <translation>%1 bereits im Tagebuch</translation>
    </message>
    <message>
        <source>, %1 skipped</source>
        <extracomment>%1 is a number of entries; follows &quot;2 entries already in the journal&quot;.</extracomment>
        <translation>, %1 übersprungen</translation>
    </message>
    <message>
        <source>Every entry of this %1 is already in the journal (%2%3). Nothing was added.</source>
        <extracomment>%1 is &quot;backup&quot; or &quot;snapshot&quot;; %2 a number of entries, %3 &quot;, 1 entry skipped&quot; or nothing.</extracomment>
        <translation>Alle Einträge dieser %1 sind bereits im Tagebuch (%2%3). Es wurde nichts hinzugefügt.</translation>
    </message>
    <message>
        <source> It also brings back %1.</source>
        <extracomment>Ends the question; %1 is a number of earlier versions (&quot;2 earlier versions&quot;).</extracomment>
        <translation> Außerdem holt sie %1 zurück.</translation>
    </message>
    <message>
        <source>This %1 would add %2 (%3%4).</source>
        <extracomment>%1 is &quot;backup&quot; or &quot;snapshot&quot;, %2 a number of entries, %3%4 &quot;2 entries already in the journal, 1 entry skipped&quot;.</extracomment>
        <translation>Diese %1 würde %2 hinzufügen (%3%4).</translation>
    </message>
    <message>
        <source>This %1 would add %2 and repair %3 whose text no longer opens (%4%5).</source>
        <extracomment>%1 is &quot;backup&quot; or &quot;snapshot&quot;, %2 and %3 numbers of entries, %4%5 &quot;2 entries already in the journal, 1 entry skipped&quot;.</extracomment>
        <translation>Diese %1 würde %2 hinzufügen und %3 mit nicht mehr lesbarem Text reparieren (%4%5).</translation>
    </message>
    <message>
        <source>Entries already in the journal are left exactly as they are; a repaired entry gets its text back from the %1, and what it held is kept aside.</source>
        <extracomment>%1 is &quot;backup&quot; or &quot;snapshot&quot;.</extracomment>
        <translation>Einträge, die bereits im Tagebuch sind, bleiben genau so, wie sie sind; ein reparierter Eintrag erhält seinen Text aus der %1 zurück, und sein bisheriger Inhalt wird beiseitegelegt.</translation>
    </message>
    <message>
        <source>Add %1</source>
        <extracomment>A button; %1 is a number of entries or of earlier versions.</extracomment>
        <translation>%1 hinzufügen</translation>
    </message>
    <message>
        <source>Repair %1</source>
        <extracomment>A button; %1 is a number of entries.</extracomment>
        <translation>%1 reparieren</translation>
    </message>
    <message>
        <source>The restored entries could not be saved yet (%1). Wendle keeps trying.</source>
        <extracomment>%1 is what went wrong.</extracomment>
        <translation>Die wiederhergestellten Einträge konnten noch nicht gespeichert werden (%1). Wendle versucht es weiter.</translation>
    </message>
    <message>
        <source>Restored %1.</source>
        <extracomment>%1 is a number of entries (&quot;2 entries&quot;).</extracomment>
        <translation>%1 wiederhergestellt.</translation>
    </message>
    <message>
        <source>%1 repaired.</source>
        <extracomment>%1 is a number of entries (&quot;2 entries&quot;).</extracomment>
        <translation>%1 repariert.</translation>
    </message>
    <message>
        <source>%1 brought back.</source>
        <extracomment>%1 is a number of earlier versions (&quot;2 earlier versions&quot;).</extracomment>
        <translation>%1 zurückgeholt.</translation>
    </message>
</context>
<context>
    <name>wendle::ResurfacedReader</name>
    <message>
        <source>entry text</source>
        <translation>Eintragstext</translation>
    </message>
    <message>
        <source>close</source>
        <translation>schließen</translation>
    </message>
</context>
<context>
    <name>wendle::RootView</name>
    <message>
        <source>This code belongs to another journal.</source>
        <translation>Dieser Code gehört zu einem anderen Tagebuch.</translation>
    </message>
    <message>
        <source>Continue with a new key</source>
        <translation>Mit neuem Schlüssel fortfahren</translation>
    </message>
    <message>
        <source>Start this journal over with a new key?</source>
        <translation>Dieses Tagebuch mit einem neuen Schlüssel neu beginnen?</translation>
    </message>
    <message>
        <source>The entries written so far stay in this journal, sealed under the old key. They open again only if the old key is restored from its recovery code. A key now in your keyring is kept aside under a name of its own. Nothing is deleted.</source>
        <translation>Die bisherigen Einträge bleiben in diesem Tagebuch, versiegelt mit dem alten Schlüssel. Sie lassen sich erst wieder öffnen, wenn der alte Schlüssel mit seinem Wiederherstellungscode wiederhergestellt wird. Ein Schlüssel, der jetzt in deinem Schlüsselbund liegt, wird unter einem eigenen Namen beiseitegelegt. Es wird nichts gelöscht.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>wendle::SaveProblemLine</name>
    <message>
        <source>Not saved yet — %1. Wendle keeps trying.</source>
        <translation>Noch nicht gespeichert — %1. Wendle versucht es weiter.</translation>
    </message>
</context>
<context>
    <name>wendle::SealedJournalReader</name>
    <message>
        <source>The journal %1 does not exist.</source>
        <extracomment>%1 is a file.</extracomment>
        <translation>Das Tagebuch %1 gibt es nicht.</translation>
    </message>
</context>
<context>
    <name>wendle::SessionProgress</name>
    <message>
        <source>Saved</source>
        <translation>Gespeichert</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message numerus="yes">
        <source>%n words</source>
        <translation>
            <numerusform>%n Wort</numerusform>
            <numerusform>%n Wörter</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::SettingsView</name>
    <message>
        <source>Daily reminder</source>
        <translation>Tägliche Erinnerung</translation>
    </message>
    <message>
        <source>Evening nudge</source>
        <translation>Sanfte Erinnerung am Abend</translation>
    </message>
    <message>
        <source>Recovery code check</source>
        <translation>Codeprüfung</translation>
    </message>
    <message>
        <source>Remind at</source>
        <translation>Erinnern um</translation>
    </message>
    <message>
        <source>A quiet nudge from the system — the app doesn&apos;t need to be running. Days you&apos;ve already written stay quiet.</source>
        <translation>Ein leiser Hinweis vom System — die App muss dafür nicht laufen. An Tagen, an denen du schon geschrieben hast, bleibt es still.</translation>
    </message>
    <message>
        <source>Nudge at</source>
        <translation>Sanft erinnern um</translation>
    </message>
    <message>
        <source>A second chance on days the afternoon slipped by unwritten.</source>
        <translation>Eine zweite Chance für Tage, an denen der Nachmittag ohne Eintrag verstrichen ist.</translation>
    </message>
    <message>
        <source>Remind me to check my recovery code: every 90 days, a quiet line on the Today screen asks for the code you keep.</source>
        <translation>Mich an die Prüfung meines Wiederherstellungscodes erinnern: Alle 90 Tage fragt eine unaufdringliche Zeile in der Ansicht „Heute“ nach dem Code, den du aufbewahrst.</translation>
    </message>
</context>
<context>
    <name>wendle::SnapshotFolder</name>
    <message>
        <source>No folder was given.</source>
        <translation>Es wurde kein Ordner angegeben.</translation>
    </message>
    <message>
        <source>That is the journal&apos;s own folder: snapshots belong beside it, not in it.</source>
        <translation>Das ist der Ordner des Tagebuchs selbst: Tageskopien gehören daneben, nicht hinein.</translation>
    </message>
    <message>
        <source>%1 is a system or temporary place: snapshots there could vanish.</source>
        <translation>%1 ist ein System- oder temporärer Ordner: Tageskopien könnten dort verschwinden.</translation>
    </message>
    <message>
        <source>%1 is not a folder.</source>
        <translation>%1 ist kein Ordner.</translation>
    </message>
    <message>
        <source>The folder %1 is not writable.</source>
        <translation>Der Ordner %1 ist nicht beschreibbar.</translation>
    </message>
    <message>
        <source>Wendle snapshots (*.wendlesnap)</source>
        <translation>Wendle-Tageskopien (*.wendlesnap)</translation>
    </message>
</context>
<context>
    <name>wendle::SnapshotScheduler</name>
    <message>
        <source>the folder is the journal&apos;s own</source>
        <extracomment>Why the last snapshot failed, in a few words.</extracomment>
        <translation>es ist der Ordner des Tagebuchs selbst</translation>
    </message>
</context>
<context>
    <name>wendle::SnapshotSettings</name>
    <message>
        <source>Keep snapshots</source>
        <translation>Tageskopien anlegen</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Auswählen…</translation>
    </message>
    <message>
        <source>Once a day, a copy of every entry and its earlier versions, sealed with the journal&apos;s key: your recovery code opens it.</source>
        <translation>Einmal am Tag eine Kopie aller Einträge samt ihrer früheren Versionen, versiegelt mit dem Schlüssel des Tagebuchs: Dein Wiederherstellungscode öffnet sie.</translation>
    </message>
    <message>
        <source>Choose the snapshot folder</source>
        <translation>Ordner für Tageskopien auswählen</translation>
    </message>
    <message>
        <source>Not changed: %1</source>
        <translation>Nicht geändert: %1</translation>
    </message>
    <message>
        <source>Snapshot folder: %1</source>
        <translation>Ordner für Tageskopien: %1</translation>
    </message>
    <message>
        <source>Last snapshot: %1</source>
        <translation>Letzte Tageskopie: %1</translation>
    </message>
    <message>
        <source>No snapshot yet</source>
        <translation>Noch keine Tageskopie</translation>
    </message>
    <message>
        <source>Snapshot folder</source>
        <translation>Ordner für Tageskopien</translation>
    </message>
</context>
<context>
    <name>wendle::SnapshotWriter</name>
    <message>
        <source>the folder is not writable</source>
        <extracomment>Why the last snapshot failed, in a few words.</extracomment>
        <translation>der Ordner ist nicht beschreibbar</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <extracomment>Why the last snapshot failed, in a few words.</extracomment>
        <translation>der Datenträger ist voll</translation>
    </message>
    <message>
        <source>the file could not be written</source>
        <translation>die Datei konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>the folder could not be made</source>
        <translation>der Ordner konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>the system&apos;s cryptography failed</source>
        <translation>die Kryptografie des Systems ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>it did not read back as written</source>
        <translation>sie stimmte beim erneuten Lesen nicht mit dem Geschriebenen überein</translation>
    </message>
    <message>
        <source>the journal could not be read</source>
        <extracomment>Why the last snapshot failed, in a few words.</extracomment>
        <translation>das Tagebuch konnte nicht gelesen werden</translation>
    </message>
</context>
<context>
    <name>wendle::SpellingMenu</name>
    <message>
        <source>No suggestions</source>
        <translation>Keine Vorschläge</translation>
    </message>
    <message>
        <source>Add to dictionary</source>
        <translation>Zum Wörterbuch hinzufügen</translation>
    </message>
    <message>
        <source>Ignore in this entry</source>
        <translation>In diesem Eintrag ignorieren</translation>
    </message>
</context>
<context>
    <name>wendle::StreakLine</name>
    <message>
        <source>day streak · best %1 · %2 of 7 this week</source>
        <translation>in Folge · beste Serie %1 · %2 von 7 diese Woche</translation>
    </message>
</context>
<context>
    <name>wendle::SyncDevice</name>
    <message>
        <source>Couldn&apos;t keep this computer&apos;s sync id in %1: %2.</source>
        <translation>Die Sync-Kennung dieses Computers konnte nicht in %1 gespeichert werden: %2.</translation>
    </message>
</context>
<context>
    <name>wendle::SyncEngine</name>
    <message>
        <source>Couldn&apos;t read the other computers&apos; changes in the sync folder %1.</source>
        <translation>Die Änderungen der anderen Computer im Sync-Ordner %1 konnten nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Couldn&apos;t save the changes from the sync folder %1 to the journal: %2.</source>
        <translation>Die Änderungen aus dem Sync-Ordner %1 konnten nicht im Tagebuch gespeichert werden: %2.</translation>
    </message>
</context>
<context>
    <name>wendle::SyncLogWriter</name>
    <message>
        <source>Couldn&apos;t write this computer&apos;s changes to the sync folder %1: %2.</source>
        <translation>Die Änderungen dieses Computers konnten nicht in den Sync-Ordner %1 geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>%1 does not read back</source>
        <translation>%1 lässt sich nicht zurücklesen</translation>
    </message>
    <message>
        <source>the entry could not be sealed</source>
        <translation>der Eintrag konnte nicht versiegelt werden</translation>
    </message>
</context>
<context>
    <name>wendle::SyncPass</name>
    <message>
        <source>The sync folder %1 is not there.</source>
        <translation>Der Sync-Ordner %1 ist nicht vorhanden.</translation>
    </message>
</context>
<context>
    <name>wendle::SyncSettings</name>
    <message>
        <source>%1 is not a folder.</source>
        <translation>%1 ist kein Ordner.</translation>
    </message>
    <message>
        <source>%1 cannot be written.</source>
        <translation>%1 ist nicht beschreibbar.</translation>
    </message>
    <message>
        <source>%1 holds Wendle&apos;s own journal file, which a sync program must never copy.</source>
        <translation>%1 enthält Wendles eigene Tagebuchdatei, die ein Sync-Programm nie kopieren darf.</translation>
    </message>
    <message>
        <source>Sync through a folder…</source>
        <translation>Über einen Ordner synchronisieren…</translation>
    </message>
    <message>
        <source>Stop syncing</source>
        <translation>Nicht mehr synchronisieren</translation>
    </message>
    <message>
        <source>Sync</source>
        <translation>Synchronisieren</translation>
    </message>
    <message>
        <source>Keeps this journal the same on your other computers through a folder that a sync program such as Syncthing or Nextcloud keeps in step. Only sealed changes are written there; your recovery code joins another computer.</source>
        <translation>Hält dieses Tagebuch auf deinen anderen Computern gleich, über einen Ordner, den ein Sync-Programm wie Syncthing oder Nextcloud abgleicht. Dort werden nur versiegelte Änderungen geschrieben; mit deinem Wiederherstellungscode kommt ein weiterer Computer hinzu.</translation>
    </message>
    <message>
        <source>Not changed: %1</source>
        <translation>Nicht geändert: %1</translation>
    </message>
    <message>
        <source>Off: this journal is kept on this computer only.</source>
        <translation>Aus: Dieses Tagebuch bleibt nur auf diesem Computer.</translation>
    </message>
    <message>
        <source>Syncing…</source>
        <translation>Wird synchronisiert…</translation>
    </message>
    <message numerus="yes">
        <source>Waiting for %n computer&apos;s changes to finish arriving</source>
        <translation>
            <numerusform>Warten, bis die Änderungen eines Computers vollständig angekommen sind</numerusform>
            <numerusform>Warten, bis die Änderungen von %n Computern vollständig angekommen sind</numerusform>
        </translation>
    </message>
    <message>
        <source>This folder holds a journal sealed with another recovery code. Its entries are not read.</source>
        <translation>Dieser Ordner enthält ein Tagebuch, das mit einem anderen Wiederherstellungscode versiegelt ist. Seine Einträge werden nicht gelesen.</translation>
    </message>
    <message>
        <source>Waiting for the first sync</source>
        <translation>Warten auf die erste Synchronisierung</translation>
    </message>
    <message>
        <source>Last synced just now</source>
        <translation>Gerade eben synchronisiert</translation>
    </message>
    <message numerus="yes">
        <source>Last synced %n minutes ago</source>
        <translation>
            <numerusform>Vor einer Minute synchronisiert</numerusform>
            <numerusform>Vor %n Minuten synchronisiert</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Last synced %n hours ago</source>
        <translation>
            <numerusform>Vor einer Stunde synchronisiert</numerusform>
            <numerusform>Vor %n Stunden synchronisiert</numerusform>
        </translation>
    </message>
    <message>
        <source>Last synced on %1</source>
        <translation>Zuletzt synchronisiert am %1</translation>
    </message>
    <message>
        <source>Sync folder: %1</source>
        <translation>Sync-Ordner: %1</translation>
    </message>
    <message>
        <source>Choose another folder…</source>
        <translation>Anderen Ordner auswählen…</translation>
    </message>
    <message>
        <source>Sync folder</source>
        <translation>Sync-Ordner</translation>
    </message>
    <message>
        <source>Paused while the journal is locked</source>
        <translation>Pausiert, solange das Tagebuch gesperrt ist</translation>
    </message>
    <message>
        <source>Join that journal…</source>
        <translation>Diesem Tagebuch beitreten…</translation>
    </message>
    <message numerus="yes">
        <source>%n entries are too long to sync (over 8 MB) and stay on this computer.</source>
        <translation>
            <numerusform>%n Eintrag ist zu lang zum Synchronisieren (über 8 MB) und bleibt auf diesem Computer.</numerusform>
            <numerusform>%n Einträge sind zu lang zum Synchronisieren (über 8 MB) und bleiben auf diesem Computer.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::TodayView</name>
    <message>
        <source>%1, history</source>
        <translation>%1, Verlauf</translation>
    </message>
    <message>
        <source>Prompts could not be loaded — write freely meanwhile.</source>
        <translation>Impulse konnten nicht geladen werden — schreib so lange einfach frei.</translation>
    </message>
    <message>
        <source>entry</source>
        <translation>Eintrag</translation>
    </message>
    <message>
        <source>↻ give me another</source>
        <translation>↻ zeig mir einen anderen</translation>
    </message>
    <message>
        <source>give me another</source>
        <translation>zeig mir einen anderen</translation>
    </message>
    <message>
        <source>✎ write freely</source>
        <translation>✎ frei schreiben</translation>
    </message>
    <message>
        <source>write freely</source>
        <translation>frei schreiben</translation>
    </message>
    <message>
        <source>← back to the prompt</source>
        <translation>← zurück zum Impuls</translation>
    </message>
    <message>
        <source>back to the prompt</source>
        <translation>zurück zum Impuls</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Check your recovery code</source>
        <translation>Wiederherstellungscode prüfen</translation>
    </message>
    <message>
        <source>Today&apos;s snapshot could not be written — %1</source>
        <translation>Die heutige Tageskopie konnte nicht gespeichert werden — %1</translation>
    </message>
    <message>
        <source>day %1</source>
        <translation>Tag %1</translation>
    </message>
</context>
<context>
    <name>wendle::TransferContext</name>
    <message>
        <source>Wendle locked before this could start. Nothing was done.</source>
        <translation>Wendle wurde gesperrt, bevor der Vorgang beginnen konnte. Es ist nichts geschehen.</translation>
    </message>
    <message>
        <source>Wendle</source>
        <extracomment>The application&apos;s name, as the title of its messages.</extracomment>
        <translation>Wendle</translation>
    </message>
    <message numerus="yes">
        <source>%n entries</source>
        <extracomment>A number of journal entries, inserted into sentences (&quot;Imported %1.&quot;).</extracomment>
        <translation>
            <numerusform>%n Eintrag</numerusform>
            <numerusform>%n Einträge</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files</source>
        <extracomment>A number of files, inserted into sentences.</extracomment>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n earlier versions</source>
        <extracomment>A number of earlier versions of entries, inserted into sentences.</extracomment>
        <translation>
            <numerusform>%n frühere Version</numerusform>
            <numerusform>%n frühere Versionen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n words</source>
        <extracomment>A number of words, inserted into sentences.</extracomment>
        <translation>
            <numerusform>%n Wort</numerusform>
            <numerusform>%n Wörter</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>wendle::TransferMenu</name>
    <message>
        <source>Export…</source>
        <translation>Exportieren…</translation>
    </message>
    <message>
        <source>Back up…</source>
        <translation>Sichern…</translation>
    </message>
    <message>
        <source>Restore from backup…</source>
        <translation>Aus Sicherung wiederherstellen…</translation>
    </message>
    <message>
        <source>Restore from snapshot…</source>
        <translation>Aus Tageskopie wiederherstellen…</translation>
    </message>
    <message>
        <source>Import…</source>
        <translation>Importieren…</translation>
    </message>
</context>
<context>
    <name>wendle::TrayEntryView</name>
    <message>
        <source>Check for updates</source>
        <translation>Nach Aktualisierungen suchen</translation>
    </message>
    <message>
        <source>Unlock with password</source>
        <translation>Mit Passwort entsperren</translation>
    </message>
    <message>
        <source>Prompts could not be loaded — write freely meanwhile.</source>
        <translation>Impulse konnten nicht geladen werden — schreib so lange einfach frei.</translation>
    </message>
    <message>
        <source>✎ write freely</source>
        <translation>✎ frei schreiben</translation>
    </message>
    <message>
        <source>write freely</source>
        <translation>frei schreiben</translation>
    </message>
    <message>
        <source>entry</source>
        <translation>Eintrag</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
</context>
<context>
    <name>wendle::TrayItem</name>
    <message>
        <source>Open wendle</source>
        <translation>wendle öffnen</translation>
    </message>
</context>
<context>
    <name>wendle::UnlockButton</name>
    <message>
        <source>unlock</source>
        <translation>entsperren</translation>
    </message>
</context>
<context>
    <name>wendle::UpdateDialog</name>
    <message>
        <source>Software update</source>
        <translation>Softwareaktualisierung</translation>
    </message>
    <message>
        <source>Wendle %1 is available.</source>
        <translation>Wendle %1 ist verfügbar.</translation>
    </message>
    <message>
        <source>You have version %1.</source>
        <translation>Du hast Version %1.</translation>
    </message>
    <message>
        <source>Release notes: %1</source>
        <translation>Versionshinweise: %1</translation>
    </message>
    <message>
        <source>This release comes without notes.</source>
        <translation>Zu dieser Version gibt es keine Hinweise.</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Not now</source>
        <translation>Nicht jetzt</translation>
    </message>
</context>
<context>
    <name>wendle::UpdateFeed</name>
    <message>
        <source>it is not an RSS feed</source>
        <translation>er ist kein RSS-Feed</translation>
    </message>
    <message>
        <source>%1 is not an HTTPS address, and Wendle fetches updates only over HTTPS.</source>
        <translation>%1 ist keine HTTPS-Adresse, und Wendle lädt Aktualisierungen nur über HTTPS.</translation>
    </message>
    <message>
        <source>This update cannot be verified: the feed does not give the length of its download.</source>
        <translation>Diese Aktualisierung lässt sich nicht überprüfen: Der Feed gibt die Größe des Downloads nicht an.</translation>
    </message>
    <message>
        <source>This update cannot be verified: its download would be %1 bytes, more than the %2 MiB Wendle accepts.</source>
        <translation>Diese Aktualisierung lässt sich nicht überprüfen: Der Download wäre %1 Byte groß, mehr als die %2 MiB, die Wendle akzeptiert.</translation>
    </message>
</context>
<context>
    <name>wendle::UpdaterController</name>
    <message>
        <source>Software updates</source>
        <translation>Softwareaktualisierungen</translation>
    </message>
    <message>
        <source>Wendle&apos;s updates come from your system&apos;s package manager.</source>
        <translation>Aktualisierungen für Wendle kommen über die Paketverwaltung deines Systems.</translation>
    </message>
    <message>
        <source>Couldn&apos;t check for updates</source>
        <translation>Suche nach Aktualisierungen fehlgeschlagen</translation>
    </message>
    <message>
        <source>The update feed could not be read: it is larger than the %1 MiB Wendle reads.</source>
        <translation>Der Update-Feed konnte nicht gelesen werden: Er ist größer als die %1 MiB, die Wendle liest.</translation>
    </message>
    <message>
        <source>The update feed could not be reached: %1.</source>
        <translation>Der Update-Feed war nicht erreichbar: %1.</translation>
    </message>
    <message>
        <source>The update feed could not be read: %1.</source>
        <translation>Der Update-Feed konnte nicht gelesen werden: %1.</translation>
    </message>
    <message>
        <source>You&apos;re up to date</source>
        <translation>Du bist auf dem neuesten Stand</translation>
    </message>
    <message>
        <source>You&apos;re up to date: Wendle %1 is the newest version.</source>
        <translation>Du bist auf dem neuesten Stand: Wendle %1 ist die aktuellste Version.</translation>
    </message>
    <message>
        <source>Software update</source>
        <translation>Softwareaktualisierung</translation>
    </message>
    <message>
        <source>Couldn&apos;t download the update</source>
        <translation>Aktualisierung konnte nicht heruntergeladen werden</translation>
    </message>
    <message>
        <source>There is no room to keep it in %1.</source>
        <translation>In %1 ist nicht genug Platz dafür.</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2.</source>
        <translation>%1 kann nicht geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>it is longer than the %1 bytes the feed announces.</source>
        <translation>er ist größer als die %1 Byte, die der Feed angibt.</translation>
    </message>
    <message>
        <source>The download of Wendle %1 was deleted: %2</source>
        <translation>Der Download von Wendle %1 wurde gelöscht: %2</translation>
    </message>
    <message>
        <source>Wendle %1 is downloaded and its signature is checked.</source>
        <translation>Wendle %1 ist heruntergeladen und die Signatur geprüft.</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message>
        <source>Wendle&apos;s network module could not be loaded: %1.</source>
        <translation>Das Netzwerkmodul von Wendle konnte nicht geladen werden: %1.</translation>
    </message>
</context>
<context>
    <name>wendle::VersionsSheet</name>
    <message>
        <source>Earlier versions</source>
        <translation>Frühere Versionen</translation>
    </message>
    <message>
        <source>version text</source>
        <translation>Versionstext</translation>
    </message>
    <message>
        <source>Restore this version</source>
        <translation>Diese Version wiederherstellen</translation>
    </message>
    <message>
        <source>This version does not open with this journal&apos;s key.</source>
        <translation>Diese Version lässt sich mit dem Schlüssel dieses Tagebuchs nicht öffnen.</translation>
    </message>
    <message numerus="yes">
        <source>%1 words</source>
        <extracomment>%1 is a number of words in the user&apos;s number format.</extracomment>
        <translation>
            <numerusform>%1 Wort</numerusform>
            <numerusform>%1 Wörter</numerusform>
        </translation>
    </message>
    <message>
        <source>close</source>
        <translation>schließen</translation>
    </message>
</context>
<context>
    <name>wendle::WendleApp</name>
    <message>
        <source>

Wendle will close now.</source>
        <translation>

Wendle wird jetzt geschlossen.</translation>
    </message>
    <message>
        <source>

Wendle has not changed the file. It will close now.</source>
        <translation>

Wendle hat die Datei nicht verändert und wird jetzt geschlossen.</translation>
    </message>
    <message>
        <source>Couldn&apos;t create Wendle&apos;s data folder %1.</source>
        <translation>Wendles Datenordner %1 konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Couldn&apos;t use Wendle&apos;s data folder %1: %2.</source>
        <translation>Wendles Datenordner %1 konnte nicht verwendet werden: %2.</translation>
    </message>
    <message>
        <source>it cannot be written</source>
        <translation>er ist nicht beschreibbar</translation>
    </message>
    <message>
        <source>its lock file cannot be created</source>
        <translation>seine Sperrdatei kann nicht angelegt werden</translation>
    </message>
</context>
<context>
    <name>wendle::WritingSettings</name>
    <message>
        <source>Text size</source>
        <translation>Textgröße</translation>
    </message>
    <message>
        <source>Text size: smaller</source>
        <translation>Textgröße: kleiner</translation>
    </message>
    <message>
        <source>Text size: larger</source>
        <translation>Textgröße: größer</translation>
    </message>
    <message>
        <source>Check spelling while typing</source>
        <translation>Rechtschreibprüfung</translation>
    </message>
    <message>
        <source>No spelling dictionaries are installed</source>
        <translation>Es sind keine Wörterbücher für die Rechtschreibprüfung installiert</translation>
    </message>
    <message>
        <source>Spelling</source>
        <translation>Rechtschreibung</translation>
    </message>
    <message>
        <source>%1 pt</source>
        <translation>%1 pt</translation>
    </message>
    <message>
        <source>Text size %1 pt</source>
        <translation>Textgröße %1 pt</translation>
    </message>
    <message>
        <source>None for your language</source>
        <translation>Keins passt</translation>
    </message>
</context>
</TS>
