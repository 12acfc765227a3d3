<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Check</name>
    <message>
        <source>too many names to search</source>
        <translation>zu viele Namen zum Suchen</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>an empty name is no folder or file</source>
        <translation>ein leerer Name ist weder Ordner noch Datei</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is relative and the working directory cannot be read</source>
        <translation>„%1“ ist relativ, und das Arbeitsverzeichnis kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>unknown option &quot;%1&quot;</source>
        <translation>unbekannte Option „%1“</translation>
    </message>
    <message>
        <source>one folder or one file, not %1</source>
        <translation>ein Ordner oder eine Datei, nicht %1</translation>
    </message>
    <message>
        <source>Usage: %1 [FOLDER | FILE]
Edit the many small files of one folder, one click after another.

  FOLDER      list the folder&apos;s files whose names match the patterns
  FILE        list the file&apos;s folder and open the file in the editor pane
  --help      show this help and exit
  --version   show the version and exit

Without a folder or file, %1 lists the folder it showed when it was last closed.
The settings are kept in ~/.config/Sheafpad/Sheafpad.ini; see &quot;man sheafpad&quot;.
</source>
        <translation>Aufruf: %1 [ORDNER | DATEI]
Die vielen kleinen Dateien eines Ordners bearbeiten, ein Klick nach dem anderen.

  ORDNER      die Dateien des Ordners auflisten, deren Namen zu den Mustern passen
  DATEI       den Ordner der Datei auflisten und die Datei im Textfeld öffnen
  --help      diese Hilfe zeigen und beenden
  --version   die Version zeigen und beenden

Ohne Ordner oder Datei listet %1 den Ordner auf, den es beim letzten Schließen zeigte.
Die Einstellungen stehen in ~/.config/Sheafpad/Sheafpad.ini; siehe „man sheafpad“.
</translation>
    </message>
    <message>
        <source>Copyright (C) 2026 the Sheafpad developers
License GPLv3+: GNU GPL version 3 or later &lt;https://gnu.org/licenses/gpl.html&gt;.
This is free software: you are free to change and redistribute it.
There is NO WARRANTY, to the extent permitted by law.
</source>
        <translation>Copyright (C) 2026 die Entwickler von Sheafpad
Lizenz GPLv3+: GNU GPL Version 3 oder neuer &lt;https://gnu.org/licenses/gpl.html&gt;.
Dies ist freie Software: Sie dürfen sie ändern und weitergeben.
Es gibt KEINE GARANTIE, soweit das Gesetz es zulässt.
</translation>
    </message>
    <message>
        <source>Try &quot;%1 --help&quot; for more information.
</source>
        <translation>„%1 --help“ gibt weitere Auskunft.
</translation>
    </message>
    <message>
        <source>Sheafpad needs a graphical display, and none was found (DISPLAY is not set).
Run it from a desktop session, or start a virtual one: xvfb-run %1
</source>
        <translation>Sheafpad braucht eine grafische Anzeige, und es wurde keine gefunden (DISPLAY ist nicht gesetzt).
Starten Sie es aus einer Desktop-Sitzung oder starten Sie eine virtuelle: xvfb-run %1
</translation>
    </message>
</context>
<context>
    <name>EditRunner</name>
    <message>
        <source>Another change of files is still running</source>
        <translation>Eine andere Änderung von Dateien läuft noch</translation>
    </message>
</context>
<context>
    <name>ErrorDisplay</name>
    <message>
        <source>Out of memory</source>
        <translation>Nicht genug Arbeitsspeicher</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Unbekannter Fehler</translation>
    </message>
</context>
<context>
    <name>Errors</name>
    <message>
        <source>Cannot open file &quot;%1&quot;. %2</source>
        <translation>Die Datei „%1“ kann nicht geöffnet werden. %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Die Datei „%1“ kann nicht angelegt werden. %2</translation>
    </message>
    <message>
        <source>Cannot open &quot;%1&quot; in a text editor. %2</source>
        <translation>„%1“ kann nicht in einem Texteditor geöffnet werden. %2</translation>
    </message>
    <message>
        <source>Unable to write to %1</source>
        <translation>In %1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Cannot keep a copy of the old content in &quot;%1&quot;: %2</source>
        <translation>Eine Kopie des alten Inhalts kann nicht in „%1“ aufbewahrt werden: %2</translation>
    </message>
    <message>
        <source>Saving &quot;%1&quot; was interrupted; the file&apos;s content from before that save has been put back. What it held instead is kept in &quot;%2&quot; until the next start</source>
        <translation>Das Speichern von „%1“ wurde unterbrochen; der Inhalt der Datei von vor diesem Speichern wurde wiederhergestellt. Was sie stattdessen enthielt, liegt bis zum nächsten Start in „%2“</translation>
    </message>
    <message>
        <source>Not a regular file</source>
        <translation>Keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>Cannot save file &quot;%1&quot;. %2</source>
        <translation>Die Datei „%1“ kann nicht gespeichert werden. %2</translation>
    </message>
    <message>
        <source>%1 for a second copy; the file was left unchanged</source>
        <translation>%1 für eine zweite Kopie; die Datei blieb unverändert</translation>
    </message>
    <message>
        <source>The desktop&apos;s application for plain text is Sheafpad itself; choose a text editor for plain text files</source>
        <translation>Die Anwendung des Desktops für einfachen Text ist Sheafpad selbst; wählen Sie einen Texteditor für Textdateien</translation>
    </message>
    <message>
        <source>No text editor is set for plain text files, and the desktop would open the file in Sheafpad itself</source>
        <translation>Für Textdateien ist kein Texteditor eingestellt, und der Desktop würde die Datei in Sheafpad selbst öffnen</translation>
    </message>
    <message>
        <source>The text editor could not be started</source>
        <translation>Der Texteditor konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>Saving &quot;%1&quot; was interrupted, and the file was changed after that, so it is left as it is now: it is a half-written mix of the new content and the old, with changes made after the save. Its content from before that save is kept in &quot;%2&quot;</source>
        <translation>Das Speichern von „%1“ wurde unterbrochen, und die Datei wurde danach geändert, daher bleibt sie, wie sie jetzt ist: Sie ist eine halb geschriebene Mischung aus neuem und altem Inhalt, mit Änderungen nach dem Speichern. Ihr Inhalt von vor diesem Speichern liegt in „%2“</translation>
    </message>
    <message>
        <source>Saving &quot;%1&quot; was interrupted, and the file was changed after that, so it is left as it is now; it is not half written. Its content from before that save is kept in &quot;%2&quot;</source>
        <translation>Das Speichern von „%1“ wurde unterbrochen, und die Datei wurde danach geändert, daher bleibt sie, wie sie jetzt ist; sie ist nicht halb geschrieben. Ihr Inhalt von vor diesem Speichern liegt in „%2“</translation>
    </message>
</context>
<context>
    <name>Introduction</name>
    <message>
        <source>Every text editor can edit multiple files, so what&apos;s the big deal here? Allow me to explain.</source>
        <translation>Jeder Texteditor kann mehrere Dateien bearbeiten, was ist hier also besonders? Ich erkläre es.</translation>
    </message>
    <message>
        <source>This program was written for hand-editing the 30 or 40 pages of a web
site. With an ordinary editor, opening and closing the files took
longer than the edits themselves: find the file, open it, change one
line, save it, close it, and start again with the next one.</source>
        <translation>Dieses Programm wurde geschrieben, um die 30 oder 40 Seiten einer Website
von Hand zu bearbeiten. Mit einem gewöhnlichen Editor dauerte das Öffnen
und Schließen der Dateien länger als die Änderungen selbst: Datei suchen,
öffnen, eine Zeile ändern, speichern, schließen, und mit der nächsten
von vorn beginnen.</translation>
    </message>
    <message>
        <source>Here is how it works:</source>
        <translation>So funktioniert es:</translation>
    </message>
    <message>
        <source>  1. Name a directory in the field at the top left.
  2. List the file extensions you want to edit in the box above it,
     one per line, such as TXT, HTM, HTML or JS.
  3. Every file of that directory whose name contains one of them is
     listed at the left.
  4. Click on a name and the file opens here, ready to edit.
  5. Click on another name: the file you leave is saved first, with
     all of your changes, and the new one opens.</source>
        <translation>  1. Nennen Sie ein Verzeichnis im Feld oben links.
  2. Tragen Sie die Dateiendungen, die Sie bearbeiten wollen, in das Feld
     darüber ein, eine pro Zeile, etwa TXT, HTM, HTML oder JS.
  3. Jede Datei dieses Verzeichnisses, deren Name eine davon enthält,
     wird links aufgelistet.
  4. Klicken Sie auf einen Namen, und die Datei öffnet sich hier, bereit
     zum Bearbeiten.
  5. Klicken Sie auf einen anderen Namen: Die Datei, die Sie verlassen,
     wird zuerst mit allen Änderungen gespeichert, dann öffnet sich die neue.</translation>
    </message>
    <message>
        <source>There is no Open, no Save As and no Close. Switching files saves all
changes automatically.</source>
        <translation>Es gibt kein Öffnen, kein Speichern unter und kein Schließen. Beim Wechsel
der Datei werden alle Änderungen automatisch gespeichert.</translation>
    </message>
    <message>
        <source>A few refinements:</source>
        <translation>Einige Feinheiten:</translation>
    </message>
    <message>
        <source>  - A red flag shows when the file on screen has been modified and will
    be written back when you leave it.
  - A Cancel button drops that automatic write, in case you changed your
    mind (the text on screen stays as it is).
  - A Save button writes the file at once, whether changed or not.
  - Type a word in the find field and press Enter or F3 to search
    forward from the cursor.
  - The Check button lists the files whose names appear in no other
    listed file: pages and scripts that nothing links to.
  - Double-click a name to open the file in your usual editor.
  - The directory, the window&apos;s place and size and the find text are
    remembered from one run to the next.</source>
        <translation>  - Eine rote Markierung zeigt, dass die angezeigte Datei geändert wurde
    und beim Verlassen zurückgeschrieben wird.
  - Der Knopf Abbrechen verwirft dieses automatische Schreiben, falls Sie
    es sich anders überlegen (der Text auf dem Bildschirm bleibt, wie er ist).
  - Der Knopf Sichern schreibt die Datei sofort, ob geändert oder nicht.
  - Geben Sie ein Wort in das Suchfeld ein und drücken Sie Enter oder F3,
    um ab dem Cursor vorwärts zu suchen.
  - Der Knopf Prüfen listet die Dateien, deren Namen in keiner anderen
    aufgelisteten Datei vorkommen: Seiten und Skripte, auf die nichts verweist.
  - Ein Doppelklick auf einen Namen öffnet die Datei in Ihrem üblichen Editor.
  - Das Verzeichnis, Lage und Größe des Fensters und der Suchtext werden
    von einem Start zum nächsten behalten.</translation>
    </message>
    <message>
        <source>Hover the cursor over the buttons to see what they do!
Click on a file name to get started with your editing!</source>
        <translation>Halten Sie den Mauszeiger über die Knöpfe, um zu sehen, was sie tun!
Klicken Sie auf einen Dateinamen, um mit dem Bearbeiten zu beginnen!</translation>
    </message>
</context>
<context>
    <name>Links</name>
    <message>
        <source>Links that name no file:</source>
        <translation>Verweise, die keine Datei nennen:</translation>
    </message>
    <message>
        <source> (differs only in case from %1)</source>
        <translation> (unterscheidet sich nur in Groß-/Kleinschreibung von %1)</translation>
    </message>
    <message>
        <source>Files that no other file links to:</source>
        <translation>Dateien, auf die keine andere Datei verweist:</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Replace %1 in %2?</source>
        <translation>%1 in %2 ersetzen?</translation>
    </message>
    <message>
        <source>the open file</source>
        <translation>der geöffneten Datei</translation>
    </message>
    <message>
        <source>Reading %1…</source>
        <translation>Lesen von %1…</translation>
    </message>
    <message>
        <source>Cancelled: nothing was replaced.</source>
        <translation>Abgebrochen: Es wurde nichts ersetzt.</translation>
    </message>
    <message>
        <source>Replacing in %1…</source>
        <translation>Ersetzen in %1…</translation>
    </message>
    <message>
        <source>Cancelled after %2: replaced %1.</source>
        <translation>Abgebrochen nach %2: %1 ersetzt.</translation>
    </message>
    <message>
        <source>Replaced %1 in %2.</source>
        <translation>%1 in %2 ersetzt.</translation>
    </message>
    <message>
        <source>Replaced %1 in the open file; Ctrl+Z in the file takes it back.</source>
        <translation>%1 in der geöffneten Datei ersetzt; Strg+Z in der Datei nimmt es zurück.</translation>
    </message>
    <message>
        <source>Reading the record of the last replace…</source>
        <translation>Die Aufzeichnung des letzten Ersetzens wird gelesen…</translation>
    </message>
    <message>
        <source>Undo the last Replace All in %1?</source>
        <translation>Das letzte „Alle ersetzen“ in %1 rückgängig machen?</translation>
    </message>
    <message>
        <source>Undo the last rename and its replace in %1?</source>
        <translation>Das letzte Umbenennen und sein Ersetzen in %1 rückgängig machen?</translation>
    </message>
    <message>
        <source>Putting back %1…</source>
        <translation>Zurücksetzen von %1…</translation>
    </message>
    <message>
        <source>Cancelled: %1 Undo Replace puts back the rest.</source>
        <translation>Abgebrochen: %1 „Ersetzen rückgängig“ setzt den Rest zurück.</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
    <message>
        <source>
… and %1 more</source>
        <translation>
… und %1 weitere</translation>
    </message>
    <message numerus="yes">
        <source>%n match(es)</source>
        <translation>
            <numerusform>%n Treffer</numerusform>
            <numerusform>%n Treffer</numerusform>
        </translation>
    </message>
    <message>
        <source>the replace text holds a character that this file&apos;s encoding cannot store: not replaced</source>
        <translation>der Ersetzungstext enthält ein Zeichen, das die Kodierung dieser Datei nicht speichern kann: nicht ersetzt</translation>
    </message>
    <message numerus="yes">
        <source>Put back %n file(s) as it was/they were.</source>
        <translation>
            <numerusform>%n Datei wurde zurückgesetzt, wie sie war.</numerusform>
            <numerusform>%n Dateien wurden zurückgesetzt, wie sie waren.</numerusform>
        </translation>
    </message>
    <message>
        <source>Not undone: another running Sheafpad replaced in this folder after this window did, so this window&apos;s replace can no longer be undone. Undo Replace in that window undoes its own replace.</source>
        <translation>Nicht rückgängig gemacht: Ein anderes laufendes Sheafpad hat nach diesem Fenster in diesem Ordner ersetzt, daher kann das Ersetzen dieses Fensters nicht mehr rückgängig gemacht werden. „Ersetzen rückgängig“ in jenem Fenster nimmt sein eigenes Ersetzen zurück.</translation>
    </message>
</context>
<context>
    <name>RenameController</name>
    <message>
        <source>Cannot rename &quot;%1&quot; to &quot;%2&quot;. %3</source>
        <translation>„%1“ kann nicht in „%2“ umbenannt werden. %3</translation>
    </message>
    <message>
        <source>A file of that name exists</source>
        <translation>Eine Datei dieses Namens gibt es schon</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be the folder&apos;s new name</source>
        <translation>„%1“ kann nicht der neue Name des Ordners sein</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be the file&apos;s new name</source>
        <translation>„%1“ kann nicht der neue Name der Datei sein</translation>
    </message>
    <message>
        <source>Cannot make the folder &quot;%1&quot;. %2</source>
        <translation>Der Ordner „%1“ kann nicht angelegt werden. %2</translation>
    </message>
    <message>
        <source>A file or folder of that name exists</source>
        <translation>Eine Datei oder ein Ordner dieses Namens existiert</translation>
    </message>
</context>
<context>
    <name>Search</name>
    <message>
        <source>changed since the search: not replaced</source>
        <translation>seit der Suche geändert: nicht ersetzt</translation>
    </message>
    <message>
        <source>the file is read-only: not replaced</source>
        <translation>die Datei ist schreibgeschützt: nicht ersetzt</translation>
    </message>
    <message>
        <source>the replace text holds a character that this file&apos;s one-byte encoding cannot store: not replaced</source>
        <translation>der Ersetzungstext enthält ein Zeichen, das die Ein-Byte-Kodierung dieser Datei nicht speichern kann: nicht ersetzt</translation>
    </message>
    <message>
        <source>The open file changed since the search: nothing was replaced; search again</source>
        <translation>Die geöffnete Datei hat sich seit der Suche geändert: Es wurde nichts ersetzt; suchen Sie erneut</translation>
    </message>
    <message>
        <source>The file holds NUL bytes, so it is not a text file: not replaced</source>
        <translation>Die Datei enthält NUL-Bytes, ist also keine Textdatei: nicht ersetzt</translation>
    </message>
    <message>
        <source>Type the text to find</source>
        <translation>Geben Sie den zu suchenden Text ein</translation>
    </message>
    <message>
        <source>the pattern is too costly to match: it gave up at line %1 of this file (a pattern with fewer nested repeats may work)</source>
        <translation>das Muster ist zu aufwendig: Es gab in Zeile %1 dieser Datei auf (ein Muster mit weniger verschachtelten Wiederholungen kann gehen)</translation>
    </message>
    <message>
        <source>the regular expression cannot be matched in this file: %1</source>
        <translation>der reguläre Ausdruck kann in dieser Datei nicht angewandt werden: %1</translation>
    </message>
    <message>
        <source>\C (a single byte) is not allowed, since it can split a character; use . for any one character</source>
        <translation>\C (ein einzelnes Byte) ist nicht erlaubt, da es ein Zeichen teilen kann; nehmen Sie . für ein beliebiges Zeichen</translation>
    </message>
    <message>
        <source>The regular expression is not valid: %1 (at character %2)</source>
        <translation>Der reguläre Ausdruck ist ungültig: %1 (bei Zeichen %2)</translation>
    </message>
    <message>
        <source>Nothing was replaced: the old contents cannot be kept in &quot;%1&quot;. %2</source>
        <translation>Es wurde nichts ersetzt: Die alten Inhalte können nicht in „%1“ aufbewahrt werden. %2</translation>
    </message>
    <message>
        <source>cannot be read: not undone</source>
        <translation>kann nicht gelesen werden: nicht rückgängig gemacht</translation>
    </message>
    <message>
        <source>changed since the replace: not undone</source>
        <translation>seit dem Ersetzen geändert: nicht rückgängig gemacht</translation>
    </message>
    <message>
        <source>; its content from before the replace is kept in &quot;%1&quot;</source>
        <translation>; ihr Inhalt von vor dem Ersetzen liegt in „%1“</translation>
    </message>
    <message>
        <source>not renamed back: &quot;%1&quot; exists again</source>
        <translation>nicht zurückbenannt: „%1“ gibt es wieder</translation>
    </message>
    <message>
        <source>not renamed back: %1</source>
        <translation>nicht zurückbenannt: %1</translation>
    </message>
    <message>
        <source>The file holds NUL bytes, so it is not a text file</source>
        <translation>Die Datei enthält NUL-Bytes, ist also keine Textdatei</translation>
    </message>
    <message>
        <source>it belongs to another user</source>
        <translation>sie gehört einem anderen Benutzer</translation>
    </message>
    <message>
        <source>it is a symbolic link</source>
        <translation>sie ist ein symbolischer Verweis</translation>
    </message>
    <message>
        <source>it is not a plain file</source>
        <translation>sie ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>The records of replaces cannot be used in &quot;%1&quot;: %2</source>
        <translation>Die Aufzeichnungen des Ersetzens können in „%1“ nicht benutzt werden: %2</translation>
    </message>
    <message>
        <source>The record of the last replace, &quot;%1&quot;, is not used: %2</source>
        <translation>Die Aufzeichnung des letzten Ersetzens, „%1“, wird nicht benutzt: %2</translation>
    </message>
    <message>
        <source>The record of the last replace, &quot;%1&quot;, is damaged: nothing was put back</source>
        <translation>Die Aufzeichnung des letzten Ersetzens, „%1“, ist beschädigt: Es wurde nichts zurückgesetzt</translation>
    </message>
    <message>
        <source>The record of the last replace, &quot;%1&quot;, is damaged in its part for &quot;%2&quot;: nothing was put back</source>
        <translation>Die Aufzeichnung des letzten Ersetzens, „%1“, ist in ihrem Teil für „%2“ beschädigt: Es wurde nichts zurückgesetzt</translation>
    </message>
    <message>
        <source>The record of the last replace, &quot;%1&quot;, is damaged in its renames or cut short: nothing was put back</source>
        <translation>Die Aufzeichnung des letzten Ersetzens, „%1“, ist in ihren Umbenennungen beschädigt oder abgeschnitten: Es wurde nichts zurückgesetzt</translation>
    </message>
    <message>
        <source>Nothing was replaced: the old contents cannot be kept in &quot;%1&quot;: %2</source>
        <translation>Es wurde nichts ersetzt: Die alten Inhalte können nicht in „%1“ aufbewahrt werden: %2</translation>
    </message>
    <message>
        <source>; its content from before the replace stays in the record</source>
        <translation>; ihr Inhalt von vor dem Ersetzen bleibt in der Aufzeichnung</translation>
    </message>
    <message numerus="yes">
        <source>The record of the replace is kept in &quot;%1&quot;, since the content from before the replace of %n file(s) could not be kept anywhere else (%2); Undo Replace tries again</source>
        <translation>
            <numerusform>Die Aufzeichnung des Ersetzens bleibt in „%1“, da der Inhalt von vor dem Ersetzen von %n Datei nirgends sonst aufbewahrt werden konnte (%2); „Ersetzen rückgängig“ versucht es erneut</numerusform>
            <numerusform>Die Aufzeichnung des Ersetzens bleibt in „%1“, da der Inhalt von vor dem Ersetzen von %n Dateien nirgends sonst aufbewahrt werden konnte (%2); „Ersetzen rückgängig“ versucht es erneut</numerusform>
        </translation>
    </message>
    <message>
        <source>not removed: %1</source>
        <translation>nicht entfernt: %1</translation>
    </message>
</context>
<context>
    <name>SearchController</name>
    <message>
        <source>No file is open</source>
        <translation>Keine Datei ist geöffnet</translation>
    </message>
    <message>
        <source>The open file is read-only: nothing was replaced</source>
        <translation>Die geöffnete Datei ist schreibgeschützt: Es wurde nichts ersetzt</translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>The section name &quot;%1&quot; cannot be stored in it</source>
        <translation>Der Abschnittsname „%1“ kann darin nicht gespeichert werden</translation>
    </message>
    <message>
        <source>The key name &quot;%1&quot; cannot be stored in it</source>
        <translation>Der Schlüsselname „%1“ kann darin nicht gespeichert werden</translation>
    </message>
    <message>
        <source>The value of &quot;%1&quot; holds a NUL character</source>
        <translation>Der Wert von „%1“ enthält ein NUL-Zeichen</translation>
    </message>
    <message>
        <source>The value of &quot;%1&quot; holds a line break</source>
        <translation>Der Wert von „%1“ enthält einen Zeilenumbruch</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Cannot open clipboard</source>
        <translation>Die Zwischenablage kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Restore the unsaved changes to %1 ?</source>
        <translation>Die nicht gespeicherten Änderungen an %1 wiederherstellen?</translation>
    </message>
    <message>
        <source>

The copy was made %1.</source>
        <translation>

Die Kopie wurde am %1 angelegt.</translation>
    </message>
    <message>
        <source>the user&apos;s state folder is not known</source>
        <translation>der Statusordner des Benutzers ist nicht bekannt</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no longer listed</source>
        <translation>„%1“ ist nicht mehr aufgelistet</translation>
    </message>
    <message>
        <source>The file&apos;s folder no longer exists: Restore puts the text on the clipboard.</source>
        <translation>Der Ordner der Datei existiert nicht mehr: Wiederherstellen legt den Text in die Zwischenablage.</translation>
    </message>
    <message>
        <source>The file no longer exists: saving makes it anew.</source>
        <translation>Die Datei existiert nicht mehr: Speichern legt sie neu an.</translation>
    </message>
    <message>
        <source>The file has been changed on disk since its text was loaded.</source>
        <translation>Die Datei wurde auf der Platte geändert, seit ihr Text geladen wurde.</translation>
    </message>
    <message>
        <source>%1 (copied %2)%3</source>
        <translation>%1 (kopiert am %2)%3</translation>
    </message>
    <message numerus="yes">
        <source>Sheafpad ended before the changes to %n file(s) were saved. Restore the unsaved changes?</source>
        <translation>
            <numerusform>Sheafpad wurde beendet, bevor die Änderungen an %n Datei gespeichert waren. Die ungespeicherten Änderungen wiederherstellen?</numerusform>
            <numerusform>Sheafpad wurde beendet, bevor die Änderungen an %n Dateien gespeichert waren. Die ungespeicherten Änderungen wiederherstellen?</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TRichEdit</name>
    <message>
        <source>The text holds %1, which this file&apos;s encoding cannot store</source>
        <translation>Der Text enthält %1, das die Kodierung dieser Datei nicht speichern kann</translation>
    </message>
    <message>
        <source>The file holds NUL bytes, so it is not a text file</source>
        <translation>Die Datei enthält NUL-Bytes, ist also keine Textdatei</translation>
    </message>
    <message>
        <source>RichEdit line insertion error</source>
        <translation>RichEdit-Fehler beim Einfügen einer Zeile</translation>
    </message>
    <message numerus="yes">
        <source>%n byte(s)</source>
        <translation>
            <numerusform>%n Byte</numerusform>
            <numerusform>%n Bytes</numerusform>
        </translation>
    </message>
    <message>
        <source>The file is %1, more than a quarter of this computer&apos;s memory (%2), too large to open</source>
        <translation>Die Datei ist %1 groß, mehr als ein Viertel des Arbeitsspeichers dieses Computers (%2), zu groß zum Öffnen</translation>
    </message>
</context>
<context>
    <name>TSelectDirDlg</name>
    <message>
        <source>I/O error %1</source>
        <translation>Ein-/Ausgabefehler %1</translation>
    </message>
</context>
<context>
    <name>sheafpad::AboutBox</name>
    <message>
        <source>About Sheafpad</source>
        <translation>Über Sheafpad</translation>
    </message>
    <message>
        <source>Sheafpad %1</source>
        <translation>Sheafpad %1</translation>
    </message>
    <message>
        <source>Edit the many small files of one folder, one click after another.</source>
        <translation>Die vielen kleinen Dateien eines Ordners bearbeiten, ein Klick nach dem anderen.</translation>
    </message>
    <message>
        <source>Copyright (C) 2026 the Sheafpad developers.
Free software under the GNU General Public License, version 3 or (at your option) any later version (GPL-3.0-or-later). It comes with no warranty.
Runs on Qt %1.</source>
        <translation>Copyright (C) 2026 die Entwickler von Sheafpad.
Freie Software unter der GNU General Public License, Version 3 oder (nach Ihrer Wahl) jeder späteren Version (GPL-3.0-or-later). Sie kommt ohne jede Garantie.
Läuft mit Qt %1.</translation>
    </message>
    <message>
        <source>&amp;Built in:</source>
        <translation>&amp;Eingebaut:</translation>
    </message>
    <message>
        <source>Built in</source>
        <translation>Eingebaut</translation>
    </message>
    <message>
        <source>Nothing: this copy was built without syntax colours.</source>
        <translation>Nichts: Diese Kopie wurde ohne Syntaxfarben gebaut.</translation>
    </message>
    <message>
        <source>%1 %2: the %3 grammar of tree-sitter and its queries
  Copyright (c) %4
  Licence: %5

</source>
        <translation>%1 %2: die %3-Grammatik von tree-sitter und ihre Abfragen
  Copyright (c) %4
  Lizenz: %5

</translation>
    </message>
    <message>
        <source>The MIT licence of the parts above:

</source>
        <translation>Die MIT-Lizenz der obigen Teile:

</translation>
    </message>
</context>
<context>
    <name>sheafpad::CompletionPopup</name>
    <message>
        <source>Completions</source>
        <translation>Vervollständigungen</translation>
    </message>
</context>
<context>
    <name>sheafpad::EditRunner</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%v of %m files</source>
        <translation>%v von %m Dateien</translation>
    </message>
    <message>
        <source>Stopping after the file being written…</source>
        <translation>Halt nach der Datei, die gerade geschrieben wird…</translation>
    </message>
</context>
<context>
    <name>sheafpad::FindController</name>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
</context>
<context>
    <name>sheafpad::GoToLine</name>
    <message>
        <source>Line (1 to %1), or line:column:</source>
        <translation>Zeile (1 bis %1), oder Zeile:Spalte:</translation>
    </message>
    <message>
        <source>Go to Line</source>
        <translation>Gehe zu Zeile</translation>
    </message>
</context>
<context>
    <name>sheafpad::LinkFollower</name>
    <message>
        <source>No element has the id %1 here</source>
        <translation>Kein Element hat hier die ID %1</translation>
    </message>
    <message>
        <source>%1 is on another site</source>
        <translation>%1 liegt auf einer anderen Website</translation>
    </message>
    <message>
        <source>%1 leads out of the folder</source>
        <translation>%1 führt aus dem Ordner hinaus</translation>
    </message>
    <message>
        <source>%1 does not exist</source>
        <translation>%1 existiert nicht</translation>
    </message>
    <message>
        <source>%1 is not in the list</source>
        <translation>%1 ist nicht in der Liste</translation>
    </message>
</context>
<context>
    <name>sheafpad::PaneHabits</name>
    <message>
        <source>Line Numbers</source>
        <translation>Zeilennummern</translation>
    </message>
    <message>
        <source>Word Wrap</source>
        <translation>Zeilenumbruch</translation>
    </message>
</context>
<context>
    <name>sheafpad::PaneStatus</name>
    <message>
        <source>UTF-8 with BOM</source>
        <translation>UTF-8 mit BOM</translation>
    </message>
</context>
<context>
    <name>sheafpad::RecentFolders</name>
    <message>
        <source>Recent folders</source>
        <translation>Zuletzt benutzte Ordner</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
</context>
<context>
    <name>sheafpad::RecoveryDialog</name>
    <message>
        <source>Uncheck the copies that you do not want back, then press Restore Checked: the unchecked ones are discarded.</source>
        <translation>Nehmen Sie das Häkchen bei den Kopien weg, die Sie nicht zurückhaben wollen, und drücken Sie dann „Markierte wiederherstellen“: Die anderen werden verworfen.</translation>
    </message>
    <message>
        <source>&amp;Restore All</source>
        <translation>Alle &amp;wiederherstellen</translation>
    </message>
    <message>
        <source>&amp;Discard All</source>
        <translation>Alle &amp;verwerfen</translation>
    </message>
    <message>
        <source>Restore &amp;Checked</source>
        <translation>&amp;Markierte wiederherstellen</translation>
    </message>
</context>
<context>
    <name>sheafpad::RenameDialog</name>
    <message>
        <source>Rename &quot;%1&quot; to:</source>
        <translation>„%1“ umbenennen in:</translation>
    </message>
    <message>
        <source>Rename and &amp;update references</source>
        <translation>Umbenennen und &amp;Verweise anpassen</translation>
    </message>
    <message>
        <source>Rename &amp;only</source>
        <translation>&amp;Nur umbenennen</translation>
    </message>
    <message>
        <source>No listed file refers to it.</source>
        <translation>Keine aufgelistete Datei verweist darauf.</translation>
    </message>
    <message>
        <source>%1 in %2 would change.</source>
        <translation>Zu ändern: %1 in %2.</translation>
    </message>
    <message numerus="yes">
        <source>%n reference(s)</source>
        <translation>
            <numerusform>%n Verweis</numerusform>
            <numerusform>%n Verweise</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::SearchResultsModel</name>
    <message>
        <source>Files and matching lines</source>
        <translation>Dateien und passende Zeilen</translation>
    </message>
    <message>
        <source>%1 (skipped: %2)</source>
        <translation>%1 (übersprungen: %2)</translation>
    </message>
</context>
<context>
    <name>sheafpad::SearchWindow</name>
    <message>
        <source>Search in Files</source>
        <translation>In Dateien suchen</translation>
    </message>
    <message>
        <source>&amp;Find:</source>
        <translation>&amp;Suchen:</translation>
    </message>
    <message>
        <source>Re&amp;place with:</source>
        <translation>Ersetzen &amp;durch:</translation>
    </message>
    <message>
        <source>Listed files</source>
        <translation>Aufgelistete Dateien</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Geöffnete Datei</translation>
    </message>
    <message>
        <source>&amp;In:</source>
        <translation>&amp;In:</translation>
    </message>
    <message>
        <source>Match &amp;case</source>
        <translation>&amp;Groß/klein beachten</translation>
    </message>
    <message>
        <source>&amp;Whole words</source>
        <translation>Ganze &amp;Wörter</translation>
    </message>
    <message>
        <source>Regular e&amp;xpression</source>
        <translation>Regulärer &amp;Ausdruck</translation>
    </message>
    <message>
        <source>Perl-compatible; \n matches a line break, ^ and $ each line&apos;s start and end; the replace text may use $1 or \1 for a group</source>
        <translation>Perl-kompatibel; \n passt auf einen Zeilenumbruch, ^ und $ auf Anfang und Ende jeder Zeile; der Ersetzungstext kann $1 oder \1 für eine Gruppe verwenden</translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>Such&amp;en</translation>
    </message>
    <message>
        <source>Replace &amp;All</source>
        <translation>Alle e&amp;rsetzen</translation>
    </message>
    <message>
        <source>&amp;Undo Replace</source>
        <translation>Ersetzen &amp;rückgängig</translation>
    </message>
    <message>
        <source>Put back every file as it was before the last Replace All or rename</source>
        <translation>Jede Datei so zurücksetzen, wie sie vor dem letzten „Alle ersetzen“ oder Umbenennen war</translation>
    </message>
    <message>
        <source>Find text</source>
        <translation>Suchtext</translation>
    </message>
    <message>
        <source>Replace text</source>
        <translation>Ersetzungstext</translation>
    </message>
    <message>
        <source>Search in</source>
        <translation>Suchen in</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Ergebnisse</translation>
    </message>
    <message>
        <source>No file is open</source>
        <translation>Keine Datei ist geöffnet</translation>
    </message>
    <message>
        <source>Searched %1 in %2 s%3</source>
        <translation>%1 in %2 s durchsucht%3</translation>
    </message>
    <message>
        <source>the open file</source>
        <translation>der geöffneten Datei</translation>
    </message>
    <message>
        <source>; only the first lines of many matches are shown</source>
        <translation>; von vielen Treffern werden nur die ersten Zeilen gezeigt</translation>
    </message>
    <message>
        <source>%1 in %2</source>
        <translation>%1 in %2</translation>
    </message>
    <message>
        <source>; %1 skipped</source>
        <translation>; %1 übersprungen</translation>
    </message>
    <message>
        <source>Repl&amp;ace Checked</source>
        <translation>Markierte e&amp;rsetzen</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Searching… %1 of %n file(s)</source>
        <translation>
            <numerusform>Suche… %1 von %n Datei</numerusform>
            <numerusform>Suche… %1 von %n Dateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n match(es)</source>
        <translation>
            <numerusform>%n Treffer</numerusform>
            <numerusform>%n Treffer</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::SiteList</name>
    <message>
        <source>
… and %1 more</source>
        <translation>
… und %1 weitere</translation>
    </message>
    <message numerus="yes">
        <source>%n folder(s) could not be read, so its/their files are not listed:</source>
        <translation>
            <numerusform>Ein Ordner konnte nicht gelesen werden, daher sind seine Dateien nicht aufgelistet:</numerusform>
            <numerusform>%n Ordner konnten nicht gelesen werden, daher sind ihre Dateien nicht aufgelistet:</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::StatusLine</name>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Ln %1, Col %2</source>
        <translation>Z %1, Sp %2</translation>
    </message>
    <message numerus="yes">
        <source>%n selected</source>
        <translation>
            <numerusform>%n ausgewählt</numerusform>
            <numerusform>%n ausgewählt</numerusform>
        </translation>
    </message>
    <message>
        <source>OVR</source>
        <translation>ÜB</translation>
    </message>
</context>
<context>
    <name>sheafpad::TForm1</name>
    <message>
        <source>Files are being changed. Stop after the file being written, and close?</source>
        <translation>Dateien werden geändert. Nach der Datei, die gerade geschrieben wird, anhalten und schließen?</translation>
    </message>
    <message>
        <source>About Sheafpad</source>
        <translation>Über Sheafpad</translation>
    </message>
    <message>
        <source>%1 was changed by another program after it was opened here.</source>
        <translation>%1 wurde von einem anderen Programm geändert, nachdem es hier geöffnet wurde.</translation>
    </message>
    <message>
        <source>%1 was replaced by another program after it was opened here.</source>
        <translation>%1 wurde von einem anderen Programm ersetzt, nachdem es hier geöffnet wurde.</translation>
    </message>
    <message>
        <source>%1 was deleted or moved away after it was opened here.</source>
        <translation>%1 wurde gelöscht oder verschoben, nachdem es hier geöffnet wurde.</translation>
    </message>
    <message>
        <source>%1 was replaced by a link to %2 after it was opened here.</source>
        <translation>%1 wurde durch einen Verweis auf %2 ersetzt, nachdem es hier geöffnet wurde.</translation>
    </message>
    <message>
        <source>%1 is no longer a link to %2, from which it was opened here.</source>
        <translation>%1 ist kein Verweis mehr auf %2, von dem es hier geöffnet wurde.</translation>
    </message>
    <message>
        <source>%1 now leads to %2, not to %3, from which it was opened here.</source>
        <translation>%1 führt jetzt zu %2, nicht zu %3, von dem es hier geöffnet wurde.</translation>
    </message>
    <message>
        <source>The edits made here were not written into it</source>
        <translation>Die hier gemachten Änderungen wurden nicht hineingeschrieben</translation>
    </message>
    <message>
        <source>Write it again with the text shown here?

No leaves it deleted; the edits stay here, unsaved.</source>
        <translation>Mit dem hier gezeigten Text neu schreiben?

Nein lässt sie gelöscht; die Änderungen bleiben hier, ungespeichert.</translation>
    </message>
    <message>
        <source>Overwrite it with the text shown here?

No keeps the file as the other program left it; the edits stay here, unsaved.</source>
        <translation>Mit dem hier gezeigten Text überschreiben?

Nein lässt die Datei, wie das andere Programm sie hinterließ; die Änderungen bleiben hier, ungespeichert.</translation>
    </message>
    <message>
        <source>Renamed &quot;%1&quot; to &quot;%2&quot;.</source>
        <translation>„%1“ in „%2“ umbenannt.</translation>
    </message>
    <message>
        <source>Search in &amp;Files…</source>
        <translation>In &amp;Dateien suchen…</translation>
    </message>
    <message>
        <source>&amp;Open in Text Editor</source>
        <translation>Im Texteditor ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Rename…</source>
        <translation>&amp;Umbenennen…</translation>
    </message>
    <message>
        <source>Quit without saving the settings?

A changed file is still saved before the program ends.</source>
        <translation>Beenden, ohne die Einstellungen zu speichern?

Eine geänderte Datei wird trotzdem vor dem Ende gespeichert.</translation>
    </message>
    <message>
        <source>&amp;Include subfolders</source>
        <translation>&amp;Mit Unterordnern</translation>
    </message>
    <message>
        <source>&amp;Open Folder…</source>
        <translation>Ordner ö&amp;ffnen…</translation>
    </message>
    <message numerus="yes">
        <source>%n backup(s) of interrupted saves could not be read, and were set aside in &quot;%1&quot; under names that begin with &quot;unreadable-&quot;</source>
        <translation>
            <numerusform>%n Sicherung unterbrochener Speichervorgänge konnte nicht gelesen werden und wurde in „%1“ unter einem Namen beiseitegelegt, der mit „unreadable-“ beginnt</numerusform>
            <numerusform>%n Sicherungen unterbrochener Speichervorgänge konnten nicht gelesen werden und wurden in „%1“ unter Namen beiseitegelegt, die mit „unreadable-“ beginnen</numerusform>
        </translation>
    </message>
    <message>
        <source>Files that are not used by another file: </source>
        <translation>Dateien, die von keiner anderen Datei benutzt werden: </translation>
    </message>
    <message>
        <source>List of file extensions you wish to edit</source>
        <translation>Liste der Dateiendungen, die Sie bearbeiten möchten</translation>
    </message>
    <message>
        <source>File extensions</source>
        <translation>Dateiendungen</translation>
    </message>
    <message>
        <source>Directory in which the editable files will be found</source>
        <translation>Verzeichnis, in dem die zu bearbeitenden Dateien liegen</translation>
    </message>
    <message>
        <source>Directory</source>
        <translation>Verzeichnis</translation>
    </message>
    <message>
        <source>Type &quot;find&quot; text here + &lt;Enter&gt;</source>
        <translation>Suchtext hier + &lt;Enter&gt;</translation>
    </message>
    <message>
        <source>Type text you wish to &quot;find&quot; here.  The current file will be searched starting at the cursor if you press &lt;Enter&gt; or &lt;F3&gt;</source>
        <translation>Geben Sie hier den Text ein, den Sie suchen möchten.  Die aktuelle Datei wird ab dem Cursor durchsucht, wenn Sie &lt;Enter&gt; oder &lt;F3&gt; drücken</translation>
    </message>
    <message>
        <source>Find text</source>
        <translation>Suchtext</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>Prüfen</translation>
    </message>
    <message>
        <source>Check for file names that do not occur in any other file</source>
        <translation>Nach Dateinamen suchen, die in keiner anderen Datei vorkommen</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Ende</translation>
    </message>
    <message>
        <source>Quit this program</source>
        <translation>Dieses Programm beenden</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Save currently displayed file, whether changed or not</source>
        <translation>Die angezeigte Datei speichern, ob geändert oder nicht</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Cancel automatic save for currently displayed file</source>
        <translation>Das automatische Speichern der angezeigten Datei abbrechen</translation>
    </message>
    <message>
        <source>List the files of every folder below this one too</source>
        <translation>Auch die Dateien aller Ordner darunter auflisten</translation>
    </message>
    <message>
        <source>Click on a file to start editing it.  Current file will be saved first if it has been changed/edited.</source>
        <translation>Klicken Sie auf eine Datei, um sie zu bearbeiten.  Die aktuelle Datei wird zuerst gespeichert, wenn sie geändert wurde.</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>File text</source>
        <translation>Dateitext</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Ausschneiden</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>No recovery copy of the unsaved changes could be written: %1.

The changes are still written to the file when you switch files or press Save.</source>
        <translation>Es konnte keine Wiederherstellungskopie der ungespeicherten Änderungen geschrieben werden: %1.

Die Änderungen werden trotzdem in die Datei geschrieben, wenn Sie die Datei wechseln oder Sichern drücken.</translation>
    </message>
    <message>
        <source>No recovery copies of unsaved changes can be kept in %1: %2.</source>
        <translation>In %1 können keine Wiederherstellungskopien ungespeicherter Änderungen aufbewahrt werden: %2.</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) of recovery copies could not be read, and were set aside in %1 under names that begin with &quot;unreadable-&quot;.</source>
        <translation>
            <numerusform>%n Datei mit Wiederherstellungskopien konnte nicht gelesen werden und wurde in %1 unter einem Namen beiseitegelegt, der mit „unreadable-“ beginnt.</numerusform>
            <numerusform>%n Dateien mit Wiederherstellungskopien konnten nicht gelesen werden und wurden in %1 unter Namen beiseitegelegt, die mit „unreadable-“ beginnen.</numerusform>
        </translation>
    </message>
    <message>
        <source>The folder of %1 no longer exists, so the recovered text is now on the clipboard: paste it into a file to keep it.

The recovery copy is kept and offered again at the next start.</source>
        <translation>Der Ordner von %1 existiert nicht mehr, daher liegt der wiederhergestellte Text jetzt in der Zwischenablage: Fügen Sie ihn in eine Datei ein, um ihn zu behalten.

Die Wiederherstellungskopie bleibt erhalten und wird beim nächsten Start wieder angeboten.</translation>
    </message>
    <message numerus="yes">
        <source>%n journal(s) of typing could be read but not applied: neither a copy that they continue nor the file as it was loaded is still there. They were set aside in %1 under names that begin with &quot;unapplied-&quot;.</source>
        <translation>
            <numerusform>%n Protokoll von Eingaben konnte gelesen, aber nicht angewandt werden: Weder eine Kopie, die es fortsetzt, noch die Datei, wie sie geladen wurde, ist noch da. Es wurde in %1 unter einem Namen beiseitegelegt, der mit „unapplied-“ beginnt.</numerusform>
            <numerusform>%n Protokolle von Eingaben konnten gelesen, aber nicht angewandt werden: Weder eine Kopie, die sie fortsetzen, noch die Datei, wie sie geladen wurde, ist noch da. Sie wurden in %1 unter Namen beiseitegelegt, die mit „unapplied-“ beginnen.</numerusform>
        </translation>
    </message>
    <message>
        <source>Check &amp;Links</source>
        <translation>&amp;Verweise prüfen</translation>
    </message>
    <message>
        <source>Updating the links in %1…</source>
        <translation>Die Verweise in %1 werden angepasst…</translation>
    </message>
    <message>
        <source>Renamed &quot;%1&quot; to &quot;%2&quot;, but some links were not updated:</source>
        <translation>„%1“ in „%2“ umbenannt, aber einige Verweise wurden nicht angepasst:</translation>
    </message>
    <message>
        <source>Rename Fol&amp;der…</source>
        <translation>&amp;Ordner umbenennen…</translation>
    </message>
    <message>
        <source>Rename Fol&amp;der &quot;%1&quot;…</source>
        <translation>&amp;Ordner „%1“ umbenennen…</translation>
    </message>
</context>
<context>
    <name>sheafpad::TJvDirectoryEdit</name>
    <message>
        <source>Select Directory</source>
        <translation>Verzeichnis wählen</translation>
    </message>
</context>
<context>
    <name>sheafpad::TSelectDirDlg</name>
    <message>
        <source>Directories</source>
        <translation>Verzeichnisse</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Laufwerke</translation>
    </message>
    <message>
        <source>Select Directory</source>
        <translation>Verzeichnis wählen</translation>
    </message>
    <message>
        <source>Directory &amp;Name:</source>
        <translation>Verzeichnis&amp;name:</translation>
    </message>
    <message>
        <source>&amp;Directories:</source>
        <translation>&amp;Verzeichnisse:</translation>
    </message>
    <message>
        <source>&amp;Files: (*.*)</source>
        <translation>&amp;Dateien: (*.*)</translation>
    </message>
    <message>
        <source>D&amp;rives:</source>
        <translation>&amp;Laufwerke:</translation>
    </message>
    <message>
        <source>Ne&amp;twork...</source>
        <translation>Ne&amp;tzwerk...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
</context>
</TS>
