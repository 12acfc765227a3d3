<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CommandLine</name>
    <message>
        <source>an empty name is no folder or file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is relative and the working directory cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown option &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>one folder or one file, not %1</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copyright (C) 2026 the Sheafpad developers
License GPLv3+: GNU GPL version 3 or later &lt;https://gnu.org/licenses/gpl.html&gt;.
This is free software: you are free to change and redistribute it.
There is NO WARRANTY, to the extent permitted by law.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try &quot;%1 --help&quot; for more information.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sheafpad needs a graphical display, and none was found (DISPLAY is not set).
Run it from a desktop session, or start a virtual one: xvfb-run %1
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EditRunner</name>
    <message>
        <source>Another change of files is still running</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ErrorDisplay</name>
    <message>
        <source>Out of memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Errors</name>
    <message>
        <source>Cannot open file &quot;%1&quot;. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot open &quot;%1&quot; in a text editor. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to write to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot keep a copy of the old content in &quot;%1&quot;: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving &quot;%1&quot; was interrupted; the file&apos;s content from before that save has been put back. What it held instead is kept in &quot;%2&quot; until the next start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving &quot;%1&quot; was interrupted, and the file has changed since, so it is left as it is now; its content from before that save is kept in &quot;%2&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a regular file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot save file &quot;%1&quot;. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 for a second copy; the file was left unchanged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The desktop&apos;s application for plain text is Sheafpad itself; choose a text editor for plain text files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No text editor is set for plain text files, and the desktop would open the file in Sheafpad itself</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The text editor could not be started</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Introduction</name>
    <message>
        <source>Every text editor can edit multiple files, so what&apos;s the big deal here? Allow me to explain.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This program was written for hand-editing the 30 or 40 pages of a web
site. With an ordinary editor, opening and closing the files took
longer than the edits themselves: find the file, open it, change one
line, save it, close it, and start again with the next one.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Here is how it works:</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no Open, no Save As and no Close. Switching files saves all
changes automatically.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A few refinements:</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hover the cursor over the buttons to see what they do!
Click on a file name to get started with your editing!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Replace %1 in %2?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the open file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading %1…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancelled: nothing was replaced.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replacing in %1…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancelled after %2: replaced %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replaced %1 in %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replaced %1 in the open file; Ctrl+Z in the file takes it back.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading the record of the last replace…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo the last Replace All in %1?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo the last rename and its replace in %1?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Putting back %1…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancelled: %1 Undo Replace puts back the rest.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>
… and %1 more</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n match(es)</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>the replace text holds a character that this file&apos;s encoding cannot store: not replaced</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Put back %n file(s) as it was/they were.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
</context>
<context>
    <name>RenameController</name>
    <message>
        <source>&quot;%1&quot; cannot be a file name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot rename &quot;%1&quot; to &quot;%2&quot;. %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A file of that name exists</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Search</name>
    <message>
        <source>changed since the search: not replaced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file is read-only: not replaced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the replace text holds a character that this file&apos;s one-byte encoding cannot store: not replaced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The open file changed since the search: nothing was replaced; search again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file holds NUL bytes, so it is not a text file: not replaced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type the text to find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the pattern is too costly to match: it gave up at line %1 of this file (a pattern with fewer nested repeats may work)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the regular expression cannot be matched in this file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>\C (a single byte) is not allowed, since it can split a character; use . for any one character</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The regular expression is not valid: %1 (at character %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing was replaced: the old contents cannot be kept in &quot;%1&quot;. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The record of the last replace, &quot;%1&quot;, cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot be read: not undone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>changed since the replace: not undone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; its content from before the replace is kept in &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not renamed back: &quot;%1&quot; exists again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not renamed back: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file holds NUL bytes, so it is not a text file</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SearchController</name>
    <message>
        <source>No file is open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The open file is read-only: nothing was replaced</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>The section name &quot;%1&quot; cannot be stored in it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The key name &quot;%1&quot; cannot be stored in it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The value of &quot;%1&quot; holds a NUL character</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The value of &quot;%1&quot; holds a line break</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Cannot open clipboard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore the unsaved changes to %1 ?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

The copy was made %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
The file&apos;s folder no longer exists: Restore puts the text on the clipboard.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
The file no longer exists: saving makes it anew.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
The file has been changed on disk since its text was loaded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Restore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Discard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the user&apos;s state folder is not known</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no longer listed</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRichEdit</name>
    <message>
        <source>The text holds %1, which this file&apos;s encoding cannot store</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file holds NUL bytes, so it is not a text file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>RichEdit line insertion error</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TSelectDirDlg</name>
    <message>
        <source>I/O error %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>sheafpad::AboutBox</name>
    <message>
        <source>About Sheafpad</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sheafpad %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit the many small files of one folder, one click after another.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copyright (C) 2026 the Sheafpad developers.
Free software under the GNU General Public License, version 3 or (at your option) any later version (GPL-3.0-or-later). It comes with no warranty.
Runs on Qt %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Built in:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Built in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing: this copy was built without syntax colours.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2: the %3 grammar of tree-sitter and its queries
  Copyright (c) %4
  Licence: %5

</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The MIT licence of the parts above:

</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>sheafpad::EditRunner</name>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%v of %m files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopping after the file being written…</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>sheafpad::RecentFolders</name>
    <message>
        <source>Recent folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>sheafpad::RenameDialog</name>
    <message>
        <source>Rename &quot;%1&quot; to:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rename and &amp;update references</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rename &amp;only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No listed file refers to it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 in %2 would change.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n reference(s)</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::SearchResultsModel</name>
    <message>
        <source>Files and matching lines</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (skipped: %2)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>sheafpad::SearchWindow</name>
    <message>
        <source>Search in Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Find:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Re&amp;place with:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Listed files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;In:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Match &amp;case</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Whole words</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Regular e&amp;xpression</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Perl-compatible; \n matches a line break, ^ and $ each line&apos;s start and end; the replace text may use $1 or \1 for a group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replace &amp;All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Undo Replace</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Put back every file as it was before the last Replace All or rename</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replace text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Results</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No file is open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Searched %1 in %2 s%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the open file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; only the first lines of many matches are shown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 in %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; %1 skipped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Repl&amp;ace Checked</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Searching… %1 of %n file(s)</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n match(es)</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::SiteList</name>
    <message>
        <source>
… and %1 more</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n folder(s) could not be read, so its/their files are not listed:</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::TForm1</name>
    <message>
        <source>Files are being changed. Stop after the file being written, and close?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Sheafpad</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was changed by another program after it was opened here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was replaced by another program after it was opened here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was deleted or moved away after it was opened here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was replaced by a link to %2 after it was opened here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is no longer a link to %2, from which it was opened here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 now leads to %2, not to %3, from which it was opened here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The edits made here were not written into it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write it again with the text shown here?

No leaves it deleted; the edits stay here, unsaved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overwrite it with the text shown here?

No keeps the file as the other program left it; the edits stay here, unsaved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replacing the references in %1…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Renamed &quot;%1&quot; to &quot;%2&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Renamed &quot;%1&quot; to &quot;%2&quot;, but some references were not replaced:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search in &amp;Files…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open in Text Editor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Rename…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit without saving the settings?

A changed file is still saved before the program ends.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Include subfolders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open Folder…</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n backup(s) of interrupted saves could not be read, and were set aside in &quot;%1&quot; under names that begin with &quot;unreadable-&quot;</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Files that are not used by another file: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>List of file extensions you wish to edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File extensions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Directory in which the editable files will be found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Directory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type &quot;find&quot; text here + &lt;Enter&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type text you wish to &quot;find&quot; here.  The current file will be searched starting at the cursor if you press &lt;Enter&gt; or &lt;F3&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for file names that do not occur in any other file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit this program</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Changed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save currently displayed file, whether changed or not</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel automatic save for currently displayed file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>List the files of every folder below this one too</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click on a file to start editing it.  Current file will be saved first if it has been changed/edited.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cut</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paste</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No recovery copy of the unsaved changes could be written: %1.

The changes are still written to the file when you switch files or press Save.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No recovery copies of unsaved changes can be kept in %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) of recovery copies could not be read, and were set aside in %1 under names that begin with &quot;unreadable-&quot;.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>The folder of %1 no longer exists, so the recovered text is now on the clipboard: paste it into a file to keep it.

The recovery copy is kept and offered again at the next start.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>sheafpad::TJvDirectoryEdit</name>
    <message>
        <source>Select Directory</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>sheafpad::TSelectDirDlg</name>
    <message>
        <source>Directories</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drives</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Directory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Directory &amp;Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Directories:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Files: (*.*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>D&amp;rives:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ne&amp;twork...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
