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
    <name>sheafpad::TForm1</name>
    <message numerus="yes">
        <source>%n backup(s) of interrupted saves could not be read, and were set aside in &quot;%1&quot; under names that begin with &quot;unreadable-&quot;</source>
        <translation>
            <numerusform>%n backup(s) of interrupted saves could not be read, and were set aside in &quot;%1&quot; under names that begin with &quot;unreadable-&quot;</numerusform>
            <numerusform>%n backup(s) of interrupted saves could not be read, and were set aside in &quot;%1&quot; under names that begin with &quot;unreadable-&quot;</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) of recovery copies could not be read, and were set aside in %1 under names that begin with &quot;unreadable-&quot;.</source>
        <translation>
            <numerusform>%n file(s) of recovery copies could not be read, and were set aside in %1 under names that begin with &quot;unreadable-&quot;.</numerusform>
            <numerusform>%n file(s) of recovery copies could not be read, and were set aside in %1 under names that begin with &quot;unreadable-&quot;.</numerusform>
        </translation>
    </message>
</context>
</TS>
