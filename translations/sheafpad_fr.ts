<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>Check</name>
    <message>
        <source>too many names to search</source>
        <translation>trop de noms à chercher</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>an empty name is no folder or file</source>
        <translation>un nom vide n&apos;est ni un dossier ni un fichier</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is relative and the working directory cannot be read</source>
        <translation>«&#xa0;%1&#xa0;» est relatif et le répertoire de travail ne peut pas être lu</translation>
    </message>
    <message>
        <source>unknown option &quot;%1&quot;</source>
        <translation>option inconnue «&#xa0;%1&#xa0;»</translation>
    </message>
    <message>
        <source>one folder or one file, not %1</source>
        <translation>un dossier ou un fichier, pas %1</translation>
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
        <translation>Utilisation&#xa0;: %1 [DOSSIER | FICHIER]
Modifier les nombreux petits fichiers d&apos;un dossier, un clic après l&apos;autre.

  DOSSIER     lister les fichiers du dossier dont le nom correspond aux motifs
  FICHIER     lister le dossier du fichier et ouvrir le fichier dans l&apos;éditeur
  --help      afficher cette aide et quitter
  --version   afficher la version et quitter

Sans dossier ni fichier, %1 liste le dossier affiché lors de sa dernière fermeture.
Les réglages sont conservés dans ~/.config/Sheafpad/Sheafpad.ini&#xa0;; voir «&#xa0;man sheafpad&#xa0;».
</translation>
    </message>
    <message>
        <source>Copyright (C) 2026 the Sheafpad developers
License GPLv3+: GNU GPL version 3 or later &lt;https://gnu.org/licenses/gpl.html&gt;.
This is free software: you are free to change and redistribute it.
There is NO WARRANTY, to the extent permitted by law.
</source>
        <translation>Copyright (C) 2026 les développeurs de Sheafpad
Licence GPLv3+&#xa0;: GNU GPL version 3 ou ultérieure &lt;https://gnu.org/licenses/gpl.html&gt;.
Ceci est un logiciel libre&#xa0;: vous êtes libre de le modifier et de le redistribuer.
Il n&apos;y a AUCUNE GARANTIE, dans la mesure permise par la loi.
</translation>
    </message>
    <message>
        <source>Try &quot;%1 --help&quot; for more information.
</source>
        <translation>Essayez «&#xa0;%1 --help&#xa0;» pour plus d&apos;informations.
</translation>
    </message>
    <message>
        <source>Sheafpad needs a graphical display, and none was found (DISPLAY is not set).
Run it from a desktop session, or start a virtual one: xvfb-run %1
</source>
        <translation>Sheafpad a besoin d&apos;un affichage graphique, et aucun n&apos;a été trouvé (DISPLAY n&apos;est pas défini).
Lancez-le depuis une session de bureau, ou démarrez-en une virtuelle&#xa0;: xvfb-run %1
</translation>
    </message>
</context>
<context>
    <name>EditRunner</name>
    <message>
        <source>Another change of files is still running</source>
        <translation>Une autre modification de fichiers est encore en cours</translation>
    </message>
</context>
<context>
    <name>ErrorDisplay</name>
    <message>
        <source>Out of memory</source>
        <translation>Mémoire insuffisante</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Erreur inconnue</translation>
    </message>
</context>
<context>
    <name>Errors</name>
    <message>
        <source>Cannot open file &quot;%1&quot;. %2</source>
        <translation>Impossible d&apos;ouvrir le fichier «&#xa0;%1&#xa0;». %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Impossible de créer le fichier «&#xa0;%1&#xa0;». %2</translation>
    </message>
    <message>
        <source>Cannot open &quot;%1&quot; in a text editor. %2</source>
        <translation>Impossible d&apos;ouvrir «&#xa0;%1&#xa0;» dans un éditeur de texte. %2</translation>
    </message>
    <message>
        <source>Unable to write to %1</source>
        <translation>Impossible d&apos;écrire dans %1</translation>
    </message>
    <message>
        <source>Cannot keep a copy of the old content in &quot;%1&quot;: %2</source>
        <translation>Impossible de garder une copie de l&apos;ancien contenu dans «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>Saving &quot;%1&quot; was interrupted; the file&apos;s content from before that save has been put back. What it held instead is kept in &quot;%2&quot; until the next start</source>
        <translation>L&apos;enregistrement de «&#xa0;%1&#xa0;» a été interrompu&#xa0;; le contenu du fichier d&apos;avant cet enregistrement a été remis en place. Ce qu&apos;il contenait à la place est gardé dans «&#xa0;%2&#xa0;» jusqu&apos;au prochain démarrage</translation>
    </message>
    <message>
        <source>Not a regular file</source>
        <translation>Ce n&apos;est pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>Cannot save file &quot;%1&quot;. %2</source>
        <translation>Impossible d&apos;enregistrer le fichier «&#xa0;%1&#xa0;». %2</translation>
    </message>
    <message>
        <source>%1 for a second copy; the file was left unchanged</source>
        <translation>%1 pour une seconde copie&#xa0;; le fichier est resté inchangé</translation>
    </message>
    <message>
        <source>The desktop&apos;s application for plain text is Sheafpad itself; choose a text editor for plain text files</source>
        <translation>L&apos;application du bureau pour le texte brut est Sheafpad lui-même&#xa0;; choisissez un éditeur de texte pour les fichiers texte</translation>
    </message>
    <message>
        <source>No text editor is set for plain text files, and the desktop would open the file in Sheafpad itself</source>
        <translation>Aucun éditeur de texte n&apos;est défini pour les fichiers texte, et le bureau ouvrirait le fichier dans Sheafpad lui-même</translation>
    </message>
    <message>
        <source>The text editor could not be started</source>
        <translation>L&apos;éditeur de texte n&apos;a pas pu être lancé</translation>
    </message>
    <message>
        <source>Saving &quot;%1&quot; was interrupted, and the file was changed after that, so it is left as it is now: it is a half-written mix of the new content and the old, with changes made after the save. Its content from before that save is kept in &quot;%2&quot;</source>
        <translation>L&apos;enregistrement de «&#xa0;%1&#xa0;» a été interrompu, et le fichier a été modifié ensuite, il est donc laissé tel quel&#xa0;: c&apos;est un mélange à moitié écrit du nouveau contenu et de l&apos;ancien, avec des modifications faites après l&apos;enregistrement. Son contenu d&apos;avant cet enregistrement est gardé dans «&#xa0;%2&#xa0;»</translation>
    </message>
    <message>
        <source>Saving &quot;%1&quot; was interrupted, and the file was changed after that, so it is left as it is now; it is not half written. Its content from before that save is kept in &quot;%2&quot;</source>
        <translation>L&apos;enregistrement de «&#xa0;%1&#xa0;» a été interrompu, et le fichier a été modifié ensuite, il est donc laissé tel quel&#xa0;; il n&apos;est pas à moitié écrit. Son contenu d&apos;avant cet enregistrement est gardé dans «&#xa0;%2&#xa0;»</translation>
    </message>
</context>
<context>
    <name>Introduction</name>
    <message>
        <source>Every text editor can edit multiple files, so what&apos;s the big deal here? Allow me to explain.</source>
        <translation>Tout éditeur de texte sait modifier plusieurs fichiers, alors qu&apos;y a-t-il de spécial ici&#xa0;? Je vous explique.</translation>
    </message>
    <message>
        <source>This program was written for hand-editing the 30 or 40 pages of a web
site. With an ordinary editor, opening and closing the files took
longer than the edits themselves: find the file, open it, change one
line, save it, close it, and start again with the next one.</source>
        <translation>Ce programme a été écrit pour modifier à la main les 30 ou 40 pages d&apos;un
site web. Avec un éditeur ordinaire, ouvrir et fermer les fichiers prenait
plus de temps que les modifications elles-mêmes&#xa0;: trouver le fichier,
l&apos;ouvrir, changer une ligne, l&apos;enregistrer, le fermer, et recommencer
avec le suivant.</translation>
    </message>
    <message>
        <source>Here is how it works:</source>
        <translation>Voici comment cela fonctionne&#xa0;:</translation>
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
        <translation>  1. Indiquez un répertoire dans le champ en haut à gauche.
  2. Listez les extensions de fichier à modifier dans la zone au-dessus,
     une par ligne, par exemple TXT, HTM, HTML ou JS.
  3. Chaque fichier de ce répertoire dont le nom contient l&apos;une d&apos;elles
     est listé à gauche.
  4. Cliquez sur un nom et le fichier s&apos;ouvre ici, prêt à être modifié.
  5. Cliquez sur un autre nom&#xa0;: le fichier que vous quittez est d&apos;abord
     enregistré avec toutes vos modifications, puis le nouveau s&apos;ouvre.</translation>
    </message>
    <message>
        <source>There is no Open, no Save As and no Close. Switching files saves all
changes automatically.</source>
        <translation>Il n&apos;y a ni Ouvrir, ni Enregistrer sous, ni Fermer. Changer de fichier
enregistre automatiquement toutes les modifications.</translation>
    </message>
    <message>
        <source>A few refinements:</source>
        <translation>Quelques raffinements&#xa0;:</translation>
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
        <translation>  - Un signal rouge indique que le fichier affiché a été modifié et sera
    réécrit quand vous le quitterez.
  - Un bouton Annuler renonce à cette écriture automatique, si vous
    changez d&apos;avis (le texte à l&apos;écran reste tel quel).
  - Un bouton Sauver écrit le fichier aussitôt, modifié ou non.
  - Tapez un mot dans le champ de recherche et appuyez sur Entrée ou F3
    pour chercher vers l&apos;avant depuis le curseur.
  - Le bouton Vérifier liste les fichiers dont le nom n&apos;apparaît dans
    aucun autre fichier listé&#xa0;: les pages et scripts vers lesquels rien
    ne pointe.
  - Double-cliquez sur un nom pour ouvrir le fichier dans votre éditeur
    habituel.
  - Le répertoire, la place et la taille de la fenêtre et le texte
    recherché sont conservés d&apos;une session à l&apos;autre.</translation>
    </message>
    <message>
        <source>Hover the cursor over the buttons to see what they do!
Click on a file name to get started with your editing!</source>
        <translation>Survolez les boutons avec le pointeur pour voir ce qu&apos;ils font&#xa0;!
Cliquez sur un nom de fichier pour commencer vos modifications&#xa0;!</translation>
    </message>
</context>
<context>
    <name>Links</name>
    <message>
        <source>Links that name no file:</source>
        <translation>Liens qui ne désignent aucun fichier&#xa0;:</translation>
    </message>
    <message>
        <source> (differs only in case from %1)</source>
        <translation> (ne diffère que par la casse de %1)</translation>
    </message>
    <message>
        <source>Files that no other file links to:</source>
        <translation>Fichiers vers lesquels aucun autre fichier ne pointe&#xa0;:</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Replace %1 in %2?</source>
        <translation>Remplacer %1 dans %2&#xa0;?</translation>
    </message>
    <message>
        <source>the open file</source>
        <translation>le fichier ouvert</translation>
    </message>
    <message>
        <source>Reading %1…</source>
        <translation>Lecture de %1…</translation>
    </message>
    <message>
        <source>Cancelled: nothing was replaced.</source>
        <translation>Annulé&#xa0;: rien n&apos;a été remplacé.</translation>
    </message>
    <message>
        <source>Replacing in %1…</source>
        <translation>Remplacement dans %1…</translation>
    </message>
    <message>
        <source>Cancelled after %2: replaced %1.</source>
        <translation>Annulé après %2&#xa0;; remplacé&#xa0;: %1.</translation>
    </message>
    <message>
        <source>Replaced %1 in %2.</source>
        <translation>Remplacé&#xa0;: %1 dans %2.</translation>
    </message>
    <message>
        <source>Replaced %1 in the open file; Ctrl+Z in the file takes it back.</source>
        <translation>Remplacé&#xa0;: %1 dans le fichier ouvert&#xa0;; Ctrl+Z dans le fichier l&apos;annule.</translation>
    </message>
    <message>
        <source>Reading the record of the last replace…</source>
        <translation>Lecture de l&apos;enregistrement du dernier remplacement…</translation>
    </message>
    <message>
        <source>Undo the last Replace All in %1?</source>
        <translation>Annuler le dernier «&#xa0;Tout remplacer&#xa0;» dans %1&#xa0;?</translation>
    </message>
    <message>
        <source>Undo the last rename and its replace in %1?</source>
        <translation>Annuler le dernier renommage et son remplacement dans %1&#xa0;?</translation>
    </message>
    <message>
        <source>Putting back %1…</source>
        <translation>Remise en état de %1…</translation>
    </message>
    <message>
        <source>Cancelled: %1 Undo Replace puts back the rest.</source>
        <translation>Annulé&#xa0;: %1 «&#xa0;Annuler le remplacement&#xa0;» remet le reste en état.</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n fichier</numerusform>
            <numerusform>%n fichiers</numerusform>
        </translation>
    </message>
    <message>
        <source>
… and %1 more</source>
        <translation>
… et %1 de plus</translation>
    </message>
    <message numerus="yes">
        <source>%n match(es)</source>
        <translation>
            <numerusform>%n occurrence</numerusform>
            <numerusform>%n occurrences</numerusform>
        </translation>
    </message>
    <message>
        <source>the replace text holds a character that this file&apos;s encoding cannot store: not replaced</source>
        <translation>le texte de remplacement contient un caractère que l&apos;encodage de ce fichier ne peut pas stocker&#xa0;: non remplacé</translation>
    </message>
    <message numerus="yes">
        <source>Put back %n file(s) as it was/they were.</source>
        <translation>
            <numerusform>%n fichier remis tel qu&apos;il était.</numerusform>
            <numerusform>%n fichiers remis tels qu&apos;ils étaient.</numerusform>
        </translation>
    </message>
    <message>
        <source>Not undone: another running Sheafpad replaced in this folder after this window did, so this window&apos;s replace can no longer be undone. Undo Replace in that window undoes its own replace.</source>
        <translation>Non annulé&#xa0;: un autre Sheafpad en cours a remplacé dans ce dossier après cette fenêtre, le remplacement de cette fenêtre ne peut donc plus être annulé. «&#xa0;Annuler le remplacement&#xa0;» dans l&apos;autre fenêtre annule son propre remplacement.</translation>
    </message>
</context>
<context>
    <name>RenameController</name>
    <message>
        <source>Cannot rename &quot;%1&quot; to &quot;%2&quot;. %3</source>
        <translation>Impossible de renommer «&#xa0;%1&#xa0;» en «&#xa0;%2&#xa0;». %3</translation>
    </message>
    <message>
        <source>A file of that name exists</source>
        <translation>Un fichier de ce nom existe déjà</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be the folder&apos;s new name</source>
        <translation>«&#xa0;%1&#xa0;» ne peut pas être le nouveau nom du dossier</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be the file&apos;s new name</source>
        <translation>«&#xa0;%1&#xa0;» ne peut pas être le nouveau nom du fichier</translation>
    </message>
    <message>
        <source>Cannot make the folder &quot;%1&quot;. %2</source>
        <translation>Impossible de créer le dossier «&#xa0;%1&#xa0;». %2</translation>
    </message>
    <message>
        <source>A file or folder of that name exists</source>
        <translation>Un fichier ou un dossier de ce nom existe déjà</translation>
    </message>
</context>
<context>
    <name>Search</name>
    <message>
        <source>changed since the search: not replaced</source>
        <translation>modifié depuis la recherche&#xa0;: non remplacé</translation>
    </message>
    <message>
        <source>the file is read-only: not replaced</source>
        <translation>le fichier est en lecture seule&#xa0;: non remplacé</translation>
    </message>
    <message>
        <source>the replace text holds a character that this file&apos;s one-byte encoding cannot store: not replaced</source>
        <translation>le texte de remplacement contient un caractère que l&apos;encodage à un octet de ce fichier ne peut pas stocker&#xa0;: non remplacé</translation>
    </message>
    <message>
        <source>The open file changed since the search: nothing was replaced; search again</source>
        <translation>Le fichier ouvert a changé depuis la recherche&#xa0;: rien n&apos;a été remplacé&#xa0;; relancez la recherche</translation>
    </message>
    <message>
        <source>The file holds NUL bytes, so it is not a text file: not replaced</source>
        <translation>Le fichier contient des octets NUL, ce n&apos;est donc pas un fichier texte&#xa0;: non remplacé</translation>
    </message>
    <message>
        <source>Type the text to find</source>
        <translation>Tapez le texte à chercher</translation>
    </message>
    <message>
        <source>the pattern is too costly to match: it gave up at line %1 of this file (a pattern with fewer nested repeats may work)</source>
        <translation>le motif est trop coûteux&#xa0;: il a abandonné à la ligne %1 de ce fichier (un motif avec moins de répétitions imbriquées peut fonctionner)</translation>
    </message>
    <message>
        <source>the regular expression cannot be matched in this file: %1</source>
        <translation>l&apos;expression régulière ne peut pas être appliquée dans ce fichier&#xa0;: %1</translation>
    </message>
    <message>
        <source>\C (a single byte) is not allowed, since it can split a character; use . for any one character</source>
        <translation>\C (un seul octet) n&apos;est pas permis, car il peut couper un caractère&#xa0;; utilisez . pour un caractère quelconque</translation>
    </message>
    <message>
        <source>The regular expression is not valid: %1 (at character %2)</source>
        <translation>L&apos;expression régulière n&apos;est pas valide&#xa0;: %1 (au caractère %2)</translation>
    </message>
    <message>
        <source>Nothing was replaced: the old contents cannot be kept in &quot;%1&quot;. %2</source>
        <translation>Rien n&apos;a été remplacé&#xa0;: les anciens contenus ne peuvent pas être gardés dans «&#xa0;%1&#xa0;». %2</translation>
    </message>
    <message>
        <source>cannot be read: not undone</source>
        <translation>ne peut pas être lu&#xa0;: non annulé</translation>
    </message>
    <message>
        <source>changed since the replace: not undone</source>
        <translation>modifié depuis le remplacement&#xa0;: non annulé</translation>
    </message>
    <message>
        <source>; its content from before the replace is kept in &quot;%1&quot;</source>
        <translation>&#xa0;; son contenu d&apos;avant le remplacement est gardé dans «&#xa0;%1&#xa0;»</translation>
    </message>
    <message>
        <source>not renamed back: &quot;%1&quot; exists again</source>
        <translation>nom non rétabli&#xa0;: «&#xa0;%1&#xa0;» existe de nouveau</translation>
    </message>
    <message>
        <source>not renamed back: %1</source>
        <translation>nom non rétabli&#xa0;: %1</translation>
    </message>
    <message>
        <source>The file holds NUL bytes, so it is not a text file</source>
        <translation>Le fichier contient des octets NUL, ce n&apos;est donc pas un fichier texte</translation>
    </message>
    <message>
        <source>it belongs to another user</source>
        <translation>il appartient à un autre utilisateur</translation>
    </message>
    <message>
        <source>it is a symbolic link</source>
        <translation>c&apos;est un lien symbolique</translation>
    </message>
    <message>
        <source>it is not a plain file</source>
        <translation>ce n&apos;est pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>The records of replaces cannot be used in &quot;%1&quot;: %2</source>
        <translation>Les enregistrements des remplacements ne peuvent pas être utilisés dans «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>The record of the last replace, &quot;%1&quot;, is not used: %2</source>
        <translation>L&apos;enregistrement du dernier remplacement, «&#xa0;%1&#xa0;», n&apos;est pas utilisé&#xa0;: %2</translation>
    </message>
    <message>
        <source>The record of the last replace, &quot;%1&quot;, is damaged: nothing was put back</source>
        <translation>L&apos;enregistrement du dernier remplacement, «&#xa0;%1&#xa0;», est endommagé&#xa0;: rien n&apos;a été remis en état</translation>
    </message>
    <message>
        <source>The record of the last replace, &quot;%1&quot;, is damaged in its part for &quot;%2&quot;: nothing was put back</source>
        <translation>L&apos;enregistrement du dernier remplacement, «&#xa0;%1&#xa0;», est endommagé dans sa partie pour «&#xa0;%2&#xa0;»&#xa0;: rien n&apos;a été remis en état</translation>
    </message>
    <message>
        <source>The record of the last replace, &quot;%1&quot;, is damaged in its renames or cut short: nothing was put back</source>
        <translation>L&apos;enregistrement du dernier remplacement, «&#xa0;%1&#xa0;», est endommagé dans ses renommages ou tronqué&#xa0;: rien n&apos;a été remis en état</translation>
    </message>
    <message>
        <source>Nothing was replaced: the old contents cannot be kept in &quot;%1&quot;: %2</source>
        <translation>Rien n&apos;a été remplacé&#xa0;: les anciens contenus ne peuvent pas être gardés dans «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>; its content from before the replace stays in the record</source>
        <translation>&#xa0;; son contenu d&apos;avant le remplacement reste dans l&apos;enregistrement</translation>
    </message>
    <message numerus="yes">
        <source>The record of the replace is kept in &quot;%1&quot;, since the content from before the replace of %n file(s) could not be kept anywhere else (%2); Undo Replace tries again</source>
        <translation>
            <numerusform>L&apos;enregistrement du remplacement est gardé dans «&#xa0;%1&#xa0;», car le contenu d&apos;avant le remplacement de %n fichier n&apos;a pu être gardé nulle part ailleurs (%2)&#xa0;; «&#xa0;Annuler le remplacement&#xa0;» réessaie</numerusform>
            <numerusform>L&apos;enregistrement du remplacement est gardé dans «&#xa0;%1&#xa0;», car le contenu d&apos;avant le remplacement de %n fichiers n&apos;a pu être gardé nulle part ailleurs (%2)&#xa0;; «&#xa0;Annuler le remplacement&#xa0;» réessaie</numerusform>
        </translation>
    </message>
    <message>
        <source>not removed: %1</source>
        <translation>non supprimé&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>SearchController</name>
    <message>
        <source>No file is open</source>
        <translation>Aucun fichier n&apos;est ouvert</translation>
    </message>
    <message>
        <source>The open file is read-only: nothing was replaced</source>
        <translation>Le fichier ouvert est en lecture seule&#xa0;: rien n&apos;a été remplacé</translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>The section name &quot;%1&quot; cannot be stored in it</source>
        <translation>Le nom de section «&#xa0;%1&#xa0;» ne peut pas y être stocké</translation>
    </message>
    <message>
        <source>The key name &quot;%1&quot; cannot be stored in it</source>
        <translation>Le nom de clé «&#xa0;%1&#xa0;» ne peut pas y être stocké</translation>
    </message>
    <message>
        <source>The value of &quot;%1&quot; holds a NUL character</source>
        <translation>La valeur de «&#xa0;%1&#xa0;» contient un caractère NUL</translation>
    </message>
    <message>
        <source>The value of &quot;%1&quot; holds a line break</source>
        <translation>La valeur de «&#xa0;%1&#xa0;» contient un saut de ligne</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Cannot open clipboard</source>
        <translation>Impossible d&apos;ouvrir le presse-papiers</translation>
    </message>
    <message>
        <source>Restore the unsaved changes to %1 ?</source>
        <translation>Restaurer les modifications non enregistrées de %1&#xa0;?</translation>
    </message>
    <message>
        <source>

The copy was made %1.</source>
        <translation>

La copie a été faite le %1.</translation>
    </message>
    <message>
        <source>the user&apos;s state folder is not known</source>
        <translation>le dossier d&apos;état de l&apos;utilisateur est inconnu</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no longer listed</source>
        <translation>«&#xa0;%1&#xa0;» n&apos;est plus listé</translation>
    </message>
    <message>
        <source>The file&apos;s folder no longer exists: Restore puts the text on the clipboard.</source>
        <translation>Le dossier du fichier n&apos;existe plus&#xa0;: Restaurer met le texte dans le presse-papiers.</translation>
    </message>
    <message>
        <source>The file no longer exists: saving makes it anew.</source>
        <translation>Le fichier n&apos;existe plus&#xa0;: l&apos;enregistrer le recrée.</translation>
    </message>
    <message>
        <source>The file has been changed on disk since its text was loaded.</source>
        <translation>Le fichier a été modifié sur le disque depuis le chargement de son texte.</translation>
    </message>
    <message>
        <source>%1 (copied %2)%3</source>
        <translation>%1 (copié le %2)%3</translation>
    </message>
    <message numerus="yes">
        <source>Sheafpad ended before the changes to %n file(s) were saved. Restore the unsaved changes?</source>
        <translation>
            <numerusform>Sheafpad s&apos;est arrêté avant que les modifications de %n fichier soient enregistrées. Restaurer les modifications non enregistrées&#xa0;?</numerusform>
            <numerusform>Sheafpad s&apos;est arrêté avant que les modifications de %n fichiers soient enregistrées. Restaurer les modifications non enregistrées&#xa0;?</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TRichEdit</name>
    <message>
        <source>The text holds %1, which this file&apos;s encoding cannot store</source>
        <translation>Le texte contient %1, que l&apos;encodage de ce fichier ne peut pas stocker</translation>
    </message>
    <message>
        <source>The file holds NUL bytes, so it is not a text file</source>
        <translation>Le fichier contient des octets NUL, ce n&apos;est donc pas un fichier texte</translation>
    </message>
    <message>
        <source>RichEdit line insertion error</source>
        <translation>Erreur RichEdit à l&apos;insertion d&apos;une ligne</translation>
    </message>
    <message numerus="yes">
        <source>%n byte(s)</source>
        <translation>
            <numerusform>%n octet</numerusform>
            <numerusform>%n octets</numerusform>
        </translation>
    </message>
    <message>
        <source>The file is %1, more than a quarter of this computer&apos;s memory (%2), too large to open</source>
        <translation>Le fichier fait %1, plus du quart de la mémoire de cet ordinateur (%2), trop grand pour être ouvert</translation>
    </message>
</context>
<context>
    <name>TSelectDirDlg</name>
    <message>
        <source>I/O error %1</source>
        <translation>Erreur d&apos;entrée/sortie %1</translation>
    </message>
</context>
<context>
    <name>sheafpad::AboutBox</name>
    <message>
        <source>About Sheafpad</source>
        <translation>À propos de Sheafpad</translation>
    </message>
    <message>
        <source>Sheafpad %1</source>
        <translation>Sheafpad %1</translation>
    </message>
    <message>
        <source>Edit the many small files of one folder, one click after another.</source>
        <translation>Modifier les nombreux petits fichiers d&apos;un dossier, un clic après l&apos;autre.</translation>
    </message>
    <message>
        <source>Copyright (C) 2026 the Sheafpad developers.
Free software under the GNU General Public License, version 3 or (at your option) any later version (GPL-3.0-or-later). It comes with no warranty.
Runs on Qt %1.</source>
        <translation>Copyright (C) 2026 les développeurs de Sheafpad.
Logiciel libre sous la licence publique générale GNU, version 3 ou (à votre choix) toute version ultérieure (GPL-3.0-or-later). Il est fourni sans aucune garantie.
Fonctionne avec Qt %1.</translation>
    </message>
    <message>
        <source>&amp;Built in:</source>
        <translation>&amp;Intégré&#xa0;:</translation>
    </message>
    <message>
        <source>Built in</source>
        <translation>Intégré</translation>
    </message>
    <message>
        <source>Nothing: this copy was built without syntax colours.</source>
        <translation>Rien&#xa0;: cette copie a été construite sans couleurs syntaxiques.</translation>
    </message>
    <message>
        <source>%1 %2: the %3 grammar of tree-sitter and its queries
  Copyright (c) %4
  Licence: %5

</source>
        <translation>%1 %2&#xa0;: la grammaire %3 de tree-sitter et ses requêtes
  Copyright (c) %4
  Licence&#xa0;: %5

</translation>
    </message>
    <message>
        <source>The MIT licence of the parts above:

</source>
        <translation>La licence MIT des parties ci-dessus&#xa0;:

</translation>
    </message>
</context>
<context>
    <name>sheafpad::CompletionPopup</name>
    <message>
        <source>Completions</source>
        <translation>Complétions</translation>
    </message>
</context>
<context>
    <name>sheafpad::EditRunner</name>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>%v of %m files</source>
        <translation>%v sur %m fichiers</translation>
    </message>
    <message>
        <source>Stopping after the file being written…</source>
        <translation>Arrêt après le fichier en cours d&apos;écriture…</translation>
    </message>
</context>
<context>
    <name>sheafpad::FindController</name>
    <message>
        <source>Not found</source>
        <translation>Introuvable</translation>
    </message>
</context>
<context>
    <name>sheafpad::GoToLine</name>
    <message>
        <source>Line (1 to %1), or line:column:</source>
        <translation>Ligne (1 à %1), ou ligne:colonne&#xa0;:</translation>
    </message>
    <message>
        <source>Go to Line</source>
        <translation>Aller à la ligne</translation>
    </message>
</context>
<context>
    <name>sheafpad::LinkFollower</name>
    <message>
        <source>No element has the id %1 here</source>
        <translation>Aucun élément n&apos;a ici l&apos;identifiant %1</translation>
    </message>
    <message>
        <source>%1 is on another site</source>
        <translation>%1 est sur un autre site</translation>
    </message>
    <message>
        <source>%1 leads out of the folder</source>
        <translation>%1 mène hors du dossier</translation>
    </message>
    <message>
        <source>%1 does not exist</source>
        <translation>%1 n&apos;existe pas</translation>
    </message>
    <message>
        <source>%1 is not in the list</source>
        <translation>%1 n&apos;est pas dans la liste</translation>
    </message>
</context>
<context>
    <name>sheafpad::PaneHabits</name>
    <message>
        <source>Line Numbers</source>
        <translation>Numéros de ligne</translation>
    </message>
    <message>
        <source>Word Wrap</source>
        <translation>Retour à la ligne</translation>
    </message>
</context>
<context>
    <name>sheafpad::PaneStatus</name>
    <message>
        <source>UTF-8 with BOM</source>
        <translation>UTF-8 avec BOM</translation>
    </message>
</context>
<context>
    <name>sheafpad::RecentFolders</name>
    <message>
        <source>Recent folders</source>
        <translation>Dossiers récents</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ouvrir un dossier</translation>
    </message>
</context>
<context>
    <name>sheafpad::RecoveryDialog</name>
    <message>
        <source>Uncheck the copies that you do not want back, then press Restore Checked: the unchecked ones are discarded.</source>
        <translation>Décochez les copies que vous ne voulez pas récupérer, puis appuyez sur «&#xa0;Restaurer les cochées&#xa0;»&#xa0;: les autres sont abandonnées.</translation>
    </message>
    <message>
        <source>&amp;Restore All</source>
        <translation>&amp;Tout restaurer</translation>
    </message>
    <message>
        <source>&amp;Discard All</source>
        <translation>Tout &amp;abandonner</translation>
    </message>
    <message>
        <source>Restore &amp;Checked</source>
        <translation>Restaurer les &amp;cochées</translation>
    </message>
</context>
<context>
    <name>sheafpad::RenameDialog</name>
    <message>
        <source>Rename &quot;%1&quot; to:</source>
        <translation>Renommer «&#xa0;%1&#xa0;» en&#xa0;:</translation>
    </message>
    <message>
        <source>Rename and &amp;update references</source>
        <translation>Renommer et mettre à &amp;jour les références</translation>
    </message>
    <message>
        <source>Rename &amp;only</source>
        <translation>Renommer &amp;seulement</translation>
    </message>
    <message>
        <source>No listed file refers to it.</source>
        <translation>Aucun fichier listé n&apos;y fait référence.</translation>
    </message>
    <message>
        <source>%1 in %2 would change.</source>
        <translation>À changer&#xa0;: %1 dans %2.</translation>
    </message>
    <message numerus="yes">
        <source>%n reference(s)</source>
        <translation>
            <numerusform>%n référence</numerusform>
            <numerusform>%n références</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n fichier</numerusform>
            <numerusform>%n fichiers</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::SearchResultsModel</name>
    <message>
        <source>Files and matching lines</source>
        <translation>Fichiers et lignes correspondantes</translation>
    </message>
    <message>
        <source>%1 (skipped: %2)</source>
        <translation>%1 (ignoré&#xa0;: %2)</translation>
    </message>
</context>
<context>
    <name>sheafpad::SearchWindow</name>
    <message>
        <source>Search in Files</source>
        <translation>Rechercher dans les fichiers</translation>
    </message>
    <message>
        <source>&amp;Find:</source>
        <translation>&amp;Chercher&#xa0;:</translation>
    </message>
    <message>
        <source>Re&amp;place with:</source>
        <translation>Rem&amp;placer par&#xa0;:</translation>
    </message>
    <message>
        <source>Listed files</source>
        <translation>Fichiers listés</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Fichier ouvert</translation>
    </message>
    <message>
        <source>&amp;In:</source>
        <translation>&amp;Dans&#xa0;:</translation>
    </message>
    <message>
        <source>Match &amp;case</source>
        <translation>Respecter la &amp;casse</translation>
    </message>
    <message>
        <source>&amp;Whole words</source>
        <translation>&amp;Mots entiers</translation>
    </message>
    <message>
        <source>Regular e&amp;xpression</source>
        <translation>E&amp;xpression régulière</translation>
    </message>
    <message>
        <source>Perl-compatible; \n matches a line break, ^ and $ each line&apos;s start and end; the replace text may use $1 or \1 for a group</source>
        <translation>Compatible Perl&#xa0;; \n correspond à un saut de ligne, ^ et $ au début et à la fin de chaque ligne&#xa0;; le texte de remplacement peut utiliser $1 ou \1 pour un groupe</translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>&amp;Rechercher</translation>
    </message>
    <message>
        <source>Replace &amp;All</source>
        <translation>&amp;Tout remplacer</translation>
    </message>
    <message>
        <source>&amp;Undo Replace</source>
        <translation>&amp;Annuler le remplacement</translation>
    </message>
    <message>
        <source>Put back every file as it was before the last Replace All or rename</source>
        <translation>Remettre chaque fichier tel qu&apos;il était avant le dernier «&#xa0;Tout remplacer&#xa0;» ou renommage</translation>
    </message>
    <message>
        <source>Find text</source>
        <translation>Texte recherché</translation>
    </message>
    <message>
        <source>Replace text</source>
        <translation>Texte de remplacement</translation>
    </message>
    <message>
        <source>Search in</source>
        <translation>Rechercher dans</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Résultats</translation>
    </message>
    <message>
        <source>No file is open</source>
        <translation>Aucun fichier n&apos;est ouvert</translation>
    </message>
    <message>
        <source>Searched %1 in %2 s%3</source>
        <translation>Parcouru&#xa0;: %1 en %2 s%3</translation>
    </message>
    <message>
        <source>the open file</source>
        <translation>le fichier ouvert</translation>
    </message>
    <message>
        <source>; only the first lines of many matches are shown</source>
        <translation>&#xa0;; pour les nombreuses occurrences, seules les premières lignes sont affichées</translation>
    </message>
    <message>
        <source>%1 in %2</source>
        <translation>%1 dans %2</translation>
    </message>
    <message>
        <source>; %1 skipped</source>
        <translation>&#xa0;; ignoré&#xa0;: %1</translation>
    </message>
    <message>
        <source>Repl&amp;ace Checked</source>
        <translation>Remplacer les &amp;cochés</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n fichier</numerusform>
            <numerusform>%n fichiers</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Searching… %1 of %n file(s)</source>
        <translation>
            <numerusform>Recherche… %1 sur %n fichier</numerusform>
            <numerusform>Recherche… %1 sur %n fichiers</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n match(es)</source>
        <translation>
            <numerusform>%n occurrence</numerusform>
            <numerusform>%n occurrences</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::SiteList</name>
    <message>
        <source>
… and %1 more</source>
        <translation>
… et %1 de plus</translation>
    </message>
    <message numerus="yes">
        <source>%n folder(s) could not be read, so its/their files are not listed:</source>
        <translation>
            <numerusform>Un dossier n&apos;a pas pu être lu, ses fichiers ne sont donc pas listés&#xa0;:</numerusform>
            <numerusform>%n dossiers n&apos;ont pas pu être lus, leurs fichiers ne sont donc pas listés&#xa0;:</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>sheafpad::StatusLine</name>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Ln %1, Col %2</source>
        <translation>Li %1, Col %2</translation>
    </message>
    <message numerus="yes">
        <source>%n selected</source>
        <translation>
            <numerusform>%n sélectionné</numerusform>
            <numerusform>%n sélectionnés</numerusform>
        </translation>
    </message>
    <message>
        <source>OVR</source>
        <translation>ÉCR</translation>
    </message>
</context>
<context>
    <name>sheafpad::TForm1</name>
    <message>
        <source>Files are being changed. Stop after the file being written, and close?</source>
        <translation>Des fichiers sont en cours de modification. S&apos;arrêter après le fichier en cours d&apos;écriture, et fermer&#xa0;?</translation>
    </message>
    <message>
        <source>About Sheafpad</source>
        <translation>À propos de Sheafpad</translation>
    </message>
    <message>
        <source>%1 was changed by another program after it was opened here.</source>
        <translation>%1 a été modifié par un autre programme après avoir été ouvert ici.</translation>
    </message>
    <message>
        <source>%1 was replaced by another program after it was opened here.</source>
        <translation>%1 a été remplacé par un autre programme après avoir été ouvert ici.</translation>
    </message>
    <message>
        <source>%1 was deleted or moved away after it was opened here.</source>
        <translation>%1 a été supprimé ou déplacé après avoir été ouvert ici.</translation>
    </message>
    <message>
        <source>%1 was replaced by a link to %2 after it was opened here.</source>
        <translation>%1 a été remplacé par un lien vers %2 après avoir été ouvert ici.</translation>
    </message>
    <message>
        <source>%1 is no longer a link to %2, from which it was opened here.</source>
        <translation>%1 n&apos;est plus un lien vers %2, d&apos;où il a été ouvert ici.</translation>
    </message>
    <message>
        <source>%1 now leads to %2, not to %3, from which it was opened here.</source>
        <translation>%1 mène maintenant à %2, et non à %3, d&apos;où il a été ouvert ici.</translation>
    </message>
    <message>
        <source>The edits made here were not written into it</source>
        <translation>Les modifications faites ici n&apos;y ont pas été écrites</translation>
    </message>
    <message>
        <source>Write it again with the text shown here?

No leaves it deleted; the edits stay here, unsaved.</source>
        <translation>L&apos;écrire de nouveau avec le texte affiché ici&#xa0;?

Non le laisse supprimé&#xa0;; les modifications restent ici, non enregistrées.</translation>
    </message>
    <message>
        <source>Overwrite it with the text shown here?

No keeps the file as the other program left it; the edits stay here, unsaved.</source>
        <translation>L&apos;écraser avec le texte affiché ici&#xa0;?

Non garde le fichier tel que l&apos;autre programme l&apos;a laissé&#xa0;; les modifications restent ici, non enregistrées.</translation>
    </message>
    <message>
        <source>Renamed &quot;%1&quot; to &quot;%2&quot;.</source>
        <translation>«&#xa0;%1&#xa0;» renommé en «&#xa0;%2&#xa0;».</translation>
    </message>
    <message>
        <source>Search in &amp;Files…</source>
        <translation>Rechercher dans les &amp;fichiers…</translation>
    </message>
    <message>
        <source>&amp;Open in Text Editor</source>
        <translation>&amp;Ouvrir dans l&apos;éditeur de texte</translation>
    </message>
    <message>
        <source>&amp;Rename…</source>
        <translation>&amp;Renommer…</translation>
    </message>
    <message>
        <source>Quit without saving the settings?

A changed file is still saved before the program ends.</source>
        <translation>Quitter sans enregistrer les réglages&#xa0;?

Un fichier modifié est tout de même enregistré avant la fin du programme.</translation>
    </message>
    <message>
        <source>&amp;Include subfolders</source>
        <translation>&amp;Inclure les sous-dossiers</translation>
    </message>
    <message>
        <source>&amp;Open Folder…</source>
        <translation>&amp;Ouvrir un dossier…</translation>
    </message>
    <message numerus="yes">
        <source>%n backup(s) of interrupted saves could not be read, and were set aside in &quot;%1&quot; under names that begin with &quot;unreadable-&quot;</source>
        <translation>
            <numerusform>%n sauvegarde d&apos;enregistrement interrompu n&apos;a pas pu être lue et a été mise de côté dans «&#xa0;%1&#xa0;» sous un nom commençant par «&#xa0;unreadable-&#xa0;»</numerusform>
            <numerusform>%n sauvegardes d&apos;enregistrements interrompus n&apos;ont pas pu être lues et ont été mises de côté dans «&#xa0;%1&#xa0;» sous des noms commençant par «&#xa0;unreadable-&#xa0;»</numerusform>
        </translation>
    </message>
    <message>
        <source>Files that are not used by another file: </source>
        <translation>Fichiers qui ne sont utilisés par aucun autre fichier&#xa0;: </translation>
    </message>
    <message>
        <source>List of file extensions you wish to edit</source>
        <translation>Liste des extensions de fichier à modifier</translation>
    </message>
    <message>
        <source>File extensions</source>
        <translation>Extensions de fichier</translation>
    </message>
    <message>
        <source>Directory in which the editable files will be found</source>
        <translation>Répertoire où se trouvent les fichiers à modifier</translation>
    </message>
    <message>
        <source>Directory</source>
        <translation>Répertoire</translation>
    </message>
    <message>
        <source>Type &quot;find&quot; text here + &lt;Enter&gt;</source>
        <translation>Texte à chercher + &lt;Entrée&gt;</translation>
    </message>
    <message>
        <source>Type text you wish to &quot;find&quot; here.  The current file will be searched starting at the cursor if you press &lt;Enter&gt; or &lt;F3&gt;</source>
        <translation>Tapez ici le texte à chercher.  Le fichier courant est parcouru à partir du curseur si vous appuyez sur &lt;Entrée&gt; ou &lt;F3&gt;</translation>
    </message>
    <message>
        <source>Find text</source>
        <translation>Texte recherché</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>Vérifier</translation>
    </message>
    <message>
        <source>Check for file names that do not occur in any other file</source>
        <translation>Chercher les noms de fichier qui n&apos;apparaissent dans aucun autre fichier</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>Quit this program</source>
        <translation>Quitter ce programme</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Modifié</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sauver</translation>
    </message>
    <message>
        <source>Save currently displayed file, whether changed or not</source>
        <translation>Enregistrer le fichier affiché, modifié ou non</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Cancel automatic save for currently displayed file</source>
        <translation>Annuler l&apos;enregistrement automatique du fichier affiché</translation>
    </message>
    <message>
        <source>List the files of every folder below this one too</source>
        <translation>Lister aussi les fichiers de tous les dossiers en dessous</translation>
    </message>
    <message>
        <source>Click on a file to start editing it.  Current file will be saved first if it has been changed/edited.</source>
        <translation>Cliquez sur un fichier pour le modifier.  Le fichier courant est d&apos;abord enregistré s&apos;il a été modifié.</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Fichiers</translation>
    </message>
    <message>
        <source>File text</source>
        <translation>Texte du fichier</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copier</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Couper</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Coller</translation>
    </message>
    <message>
        <source>No recovery copy of the unsaved changes could be written: %1.

The changes are still written to the file when you switch files or press Save.</source>
        <translation>Aucune copie de secours des modifications non enregistrées n&apos;a pu être écrite&#xa0;: %1.

Les modifications sont tout de même écrites dans le fichier quand vous changez de fichier ou appuyez sur Sauver.</translation>
    </message>
    <message>
        <source>No recovery copies of unsaved changes can be kept in %1: %2.</source>
        <translation>Aucune copie de secours des modifications non enregistrées ne peut être gardée dans %1&#xa0;: %2.</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) of recovery copies could not be read, and were set aside in %1 under names that begin with &quot;unreadable-&quot;.</source>
        <translation>
            <numerusform>%n fichier de copies de secours n&apos;a pas pu être lu et a été mis de côté dans %1 sous un nom commençant par «&#xa0;unreadable-&#xa0;».</numerusform>
            <numerusform>%n fichiers de copies de secours n&apos;ont pas pu être lus et ont été mis de côté dans %1 sous des noms commençant par «&#xa0;unreadable-&#xa0;».</numerusform>
        </translation>
    </message>
    <message>
        <source>The folder of %1 no longer exists, so the recovered text is now on the clipboard: paste it into a file to keep it.

The recovery copy is kept and offered again at the next start.</source>
        <translation>Le dossier de %1 n&apos;existe plus, le texte récupéré est donc dans le presse-papiers&#xa0;: collez-le dans un fichier pour le garder.

La copie de secours est gardée et proposée de nouveau au prochain démarrage.</translation>
    </message>
    <message numerus="yes">
        <source>%n journal(s) of typing could be read but not applied: neither a copy that they continue nor the file as it was loaded is still there. They were set aside in %1 under names that begin with &quot;unapplied-&quot;.</source>
        <translation>
            <numerusform>%n journal de frappe a pu être lu mais pas appliqué&#xa0;: ni une copie qu&apos;il prolonge ni le fichier tel qu&apos;il a été chargé ne sont encore là. Il a été mis de côté dans %1 sous un nom commençant par «&#xa0;unapplied-&#xa0;».</numerusform>
            <numerusform>%n journaux de frappe ont pu être lus mais pas appliqués&#xa0;: ni une copie qu&apos;ils prolongent ni le fichier tel qu&apos;il a été chargé ne sont encore là. Ils ont été mis de côté dans %1 sous des noms commençant par «&#xa0;unapplied-&#xa0;».</numerusform>
        </translation>
    </message>
    <message>
        <source>Check &amp;Links</source>
        <translation>Vérifier les &amp;liens</translation>
    </message>
    <message>
        <source>Updating the links in %1…</source>
        <translation>Mise à jour des liens dans %1…</translation>
    </message>
    <message>
        <source>Renamed &quot;%1&quot; to &quot;%2&quot;, but some links were not updated:</source>
        <translation>«&#xa0;%1&#xa0;» renommé en «&#xa0;%2&#xa0;», mais certains liens n&apos;ont pas été mis à jour&#xa0;:</translation>
    </message>
    <message>
        <source>Rename Fol&amp;der…</source>
        <translation>Renommer le &amp;dossier…</translation>
    </message>
    <message>
        <source>Rename Fol&amp;der &quot;%1&quot;…</source>
        <translation>Renommer le &amp;dossier «&#xa0;%1&#xa0;»…</translation>
    </message>
</context>
<context>
    <name>sheafpad::TJvDirectoryEdit</name>
    <message>
        <source>Select Directory</source>
        <translation>Choisir un répertoire</translation>
    </message>
</context>
<context>
    <name>sheafpad::TSelectDirDlg</name>
    <message>
        <source>Directories</source>
        <translation>Répertoires</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Fichiers</translation>
    </message>
    <message>
        <source>Drives</source>
        <translation>Lecteurs</translation>
    </message>
    <message>
        <source>Select Directory</source>
        <translation>Choisir un répertoire</translation>
    </message>
    <message>
        <source>Directory &amp;Name:</source>
        <translation>&amp;Nom du répertoire&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Directories:</source>
        <translation>&amp;Répertoires&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Files: (*.*)</source>
        <translation>&amp;Fichiers&#xa0;: (*.*)</translation>
    </message>
    <message>
        <source>D&amp;rives:</source>
        <translation>&amp;Lecteurs&#xa0;:</translation>
    </message>
    <message>
        <source>Ne&amp;twork...</source>
        <translation>Rés&amp;eau...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
</context>
</TS>
