<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>QObject</name>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n file</numerusform>
            <numerusform>%n files</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n match(es)</source>
        <translation>
            <numerusform>%n match</numerusform>
            <numerusform>%n matches</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Put back %n file(s) as it was/they were.</source>
        <translation>
            <numerusform>Put back %n file as it was.</numerusform>
            <numerusform>Put back %n files as they were.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Search</name>
    <message numerus="yes">
        <source>The record of the replace is kept in &quot;%1&quot;, since the content from before the replace of %n file(s) could not be kept anywhere else (%2); Undo Replace tries again</source>
        <translation>
            <numerusform>The record of the replace is kept in &quot;%1&quot;, since the content from before the replace of %n file could not be kept anywhere else (%2); Undo Replace tries again</numerusform>
            <numerusform>The record of the replace is kept in &quot;%1&quot;, since the content from before the replace of %n files could not be kept anywhere else (%2); Undo Replace tries again</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message numerus="yes">
        <source>Sheafpad ended before the changes to %n file(s) were saved. Restore the unsaved changes?</source>
        <translation>
            <numerusform>Sheafpad ended before the changes to %n file were saved. Restore the unsaved changes?</numerusform>
            <numerusform>Sheafpad ended before the changes to %n files were saved. Restore the unsaved changes?</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TRichEdit</name>
    <message numerus="yes">
        <source>%n byte(s)</source>
        <translation>
            <numerusform>%n byte</numerusform>
            <numerusform>%n bytes</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::RenameDialog</name>
    <message numerus="yes">
        <source>%n reference(s)</source>
        <translation>
            <numerusform>%n reference</numerusform>
            <numerusform>%n references</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n file</numerusform>
            <numerusform>%n files</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::SearchWindow</name>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n file</numerusform>
            <numerusform>%n files</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Searching… %1 of %n file(s)</source>
        <translation>
            <numerusform>Searching… %1 of %n file</numerusform>
            <numerusform>Searching… %1 of %n files</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n match(es)</source>
        <translation>
            <numerusform>%n match</numerusform>
            <numerusform>%n matches</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::SiteList</name>
    <message numerus="yes">
        <source>%n folder(s) could not be read, so its/their files are not listed:</source>
        <translation>
            <numerusform>A folder could not be read, so its files are not listed:</numerusform>
            <numerusform>%n folders could not be read, so their files are not listed:</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::StatusLine</name>
    <message numerus="yes">
        <source>%n selected</source>
        <translation>
            <numerusform>%n selected</numerusform>
            <numerusform>%n selected</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::TForm1</name>
    <message numerus="yes">
        <source>%n backup(s) of interrupted saves could not be read, and were set aside in &quot;%1&quot; under names that begin with &quot;unreadable-&quot;</source>
        <translation>
            <numerusform>%n backup of interrupted saves could not be read, and was set aside in &quot;%1&quot; under a name that begins with &quot;unreadable-&quot;</numerusform>
            <numerusform>%n backups of interrupted saves could not be read, and were set aside in &quot;%1&quot; under names that begin with &quot;unreadable-&quot;</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) of recovery copies could not be read, and were set aside in %1 under names that begin with &quot;unreadable-&quot;.</source>
        <translation>
            <numerusform>%n file of recovery copies could not be read, and was set aside in %1 under a name that begins with &quot;unreadable-&quot;.</numerusform>
            <numerusform>%n files of recovery copies could not be read, and were set aside in %1 under names that begin with &quot;unreadable-&quot;.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n journal(s) of typing could be read but not applied: neither a copy that they continue nor the file as it was loaded is still there. They were set aside in %1 under names that begin with &quot;unapplied-&quot;.</source>
        <translation>
            <numerusform>%n journal of typing could be read but not applied: neither a copy that it continues nor the file as it was loaded is still there. It was set aside in %1 under a name that begins with &quot;unapplied-&quot;.</numerusform>
            <numerusform>%n journals of typing could be read but not applied: neither a copy that they continue nor the file as it was loaded is still there. They were set aside in %1 under names that begin with &quot;unapplied-&quot;.</numerusform>
        </translation>
    </message>
</context>
</TS>
