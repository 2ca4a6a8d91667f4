<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>DesktopOpen</name>
    <message>
        <source>No program could be started to open %1:
%2</source>
        <translation>Es konnte kein Programm gestartet werden, um %1 zu öffnen:
%2</translation>
    </message>
</context>
<context>
    <name>FileTypes</name>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Images</source>
        <translation>Bilder</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Eigene</translation>
    </message>
</context>
<context>
    <name>MainActions</name>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Search for duplicates</source>
        <translation>Nach Duplikaten suchen</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <source>Safely select duplicates from this folder in all groups</source>
        <translation>Duplikate aus diesem Ordner in allen Gruppen sicher auswählen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Delete selected</source>
        <translation>Ausgewählte löschen</translation>
    </message>
    <message>
        <source>Move</source>
        <translation>Verschieben</translation>
    </message>
    <message>
        <source>Move selected files to &quot;%1&quot; directory</source>
        <translation>Ausgewählte Dateien in den Ordner „%1“ verschieben</translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation>In den Papierkorb</translation>
    </message>
    <message>
        <source>Move selected files to the Trash</source>
        <translation>Ausgewählte Dateien in den Papierkorb verschieben</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
</context>
<context>
    <name>Notices</name>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>The list of results is empty.</source>
        <translation>Die Ergebnisliste ist leer.</translation>
    </message>
    <message>
        <source>No file selected.</source>
        <translation>Keine Datei ausgewählt.</translation>
    </message>
    <message>
        <source>... and %1 more.</source>
        <translation>... und %1 weitere.</translation>
    </message>
    <message>
        <source>Cancelled: %1</source>
        <translation>Abgebrochen: %1</translation>
    </message>
    <message>
        <source>Action %1 deleted its files: deleted files can&apos;t come back.</source>
        <translation>Aktion %1 hat ihre Dateien gelöscht: Gelöschte Dateien lassen sich nicht zurückholen.</translation>
    </message>
    <message>
        <source>Action %1 made its files share their kept copies&apos; content: there is nothing to put back.</source>
        <translation>Aktion %1 hat ihre Dateien den Inhalt ihrer behaltenen Kopien teilen lassen: Es gibt nichts zurückzulegen.</translation>
    </message>
    <message>
        <source>Action %1 was itself an undo.</source>
        <translation>Aktion %1 hat selbst eine Aktion rückgängig gemacht.</translation>
    </message>
    <message>
        <source>the system did not tell where it went: put it back by hand</source>
        <translation>das System hat nicht mitgeteilt, wohin sie kam: Legen Sie sie von Hand zurück</translation>
    </message>
    <message>
        <source>where it went was not recorded whole: it stays at %1</source>
        <translation>wohin sie kam, wurde nicht vollständig festgehalten: sie bleibt unter %1</translation>
    </message>
    <message>
        <source>it is no longer at %1</source>
        <translation>sie ist nicht mehr unter %1</translation>
    </message>
    <message>
        <source>it cannot be looked at in %1: %2</source>
        <translation>sie kann unter %1 nicht geprüft werden: %2</translation>
    </message>
    <message>
        <source>it has changed since it was moved: it stays at %1</source>
        <translation>sie wurde seit dem Verschieben verändert: sie bleibt unter %1</translation>
    </message>
    <message>
        <source>%1: it stays at %2</source>
        <translation>%1: sie bleibt unter %2</translation>
    </message>
    <message>
        <source>its folder cannot be made again: %1</source>
        <translation>ihr Ordner kann nicht wieder angelegt werden: %1</translation>
    </message>
    <message>
        <source>another file has taken its place: it stays at %1</source>
        <translation>eine andere Datei hat ihren Platz eingenommen: sie bleibt unter %1</translation>
    </message>
    <message>
        <source>it cannot be put back: %1</source>
        <translation>sie kann nicht zurückgelegt werden: %1</translation>
    </message>
    <message>
        <source>There is no action %1 in %2.</source>
        <translation>In %2 gibt es keine Aktion %1.</translation>
    </message>
    <message>
        <source>Every file of action %1 is back already.</source>
        <translation>Alle Dateien der Aktion %1 sind bereits zurück.</translation>
    </message>
    <message>
        <source>%1 file was put back.</source>
        <translation>%1 Datei wurde zurückgelegt.</translation>
    </message>
    <message>
        <source>%1 files were put back.</source>
        <translation>%1 Dateien wurden zurückgelegt.</translation>
    </message>
    <message>
        <source>%1 file was not put back:</source>
        <translation>%1 Datei wurde nicht zurückgelegt:</translation>
    </message>
    <message>
        <source>%1 files were not put back:</source>
        <translation>%1 Dateien wurden nicht zurückgelegt:</translation>
    </message>
    <message>
        <source>The record of this undo could not be written to %1: %2</source>
        <translation>Das Protokoll dieses Rückgängigmachens konnte nicht in %1 geschrieben werden: %2</translation>
    </message>
    <message>
        <source>it cannot be read again: %1</source>
        <translation>sie kann nicht erneut gelesen werden: %1</translation>
    </message>
    <message>
        <source>its bytes are no longer those of its group</source>
        <translation>ihr Inhalt ist nicht mehr der ihrer Gruppe</translation>
    </message>
    <message>
        <source>its folder has been replaced since the search</source>
        <translation>ihr Ordner wurde seit der Suche ersetzt</translation>
    </message>
    <message>
        <source>it no longer exists</source>
        <translation>sie existiert nicht mehr</translation>
    </message>
    <message>
        <source>it has changed since the search</source>
        <translation>sie wurde seit der Suche verändert</translation>
    </message>
    <message>
        <source>no unselected copy of it is left on disk</source>
        <translation>keine nicht ausgewählte Kopie von ihr ist mehr auf dem Datenträger</translation>
    </message>
    <message>
        <source>it lies in a reference folder</source>
        <translation>sie liegt in einem Referenzordner</translation>
    </message>
    <message>
        <source>the folder %1 cannot be created: %2</source>
        <translation>der Ordner %1 kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>it cannot be moved to %1: %2</source>
        <translation>sie kann nicht nach %1 verschoben werden: %2</translation>
    </message>
    <message>
        <source>no free name is left for it in %1</source>
        <translation>in %1 ist kein freier Name für sie mehr übrig</translation>
    </message>
    <message>
        <source>The record of this action could not be written to %1: %2</source>
        <translation>Das Protokoll dieser Aktion konnte nicht in %1 geschrieben werden: %2</translation>
    </message>
    <message>
        <source>%1 file was already gone:</source>
        <translation>%1 Datei war bereits verschwunden:</translation>
    </message>
    <message>
        <source>%1 files were already gone:</source>
        <translation>%1 Dateien waren bereits verschwunden:</translation>
    </message>
    <message>
        <source>%1 file was not deleted:</source>
        <translation>%1 Datei wurde nicht gelöscht:</translation>
    </message>
    <message>
        <source>%1 files were not deleted:</source>
        <translation>%1 Dateien wurden nicht gelöscht:</translation>
    </message>
    <message>
        <source>%1 of %2 selected file was deleted.</source>
        <translation>%1 von %2 ausgewählten Datei wurde gelöscht.</translation>
    </message>
    <message>
        <source>%1 of %2 selected files were deleted.</source>
        <translation>%1 von %2 ausgewählten Dateien wurden gelöscht.</translation>
    </message>
    <message>
        <source>%1 file was not moved:</source>
        <translation>%1 Datei wurde nicht verschoben:</translation>
    </message>
    <message>
        <source>%1 files were not moved:</source>
        <translation>%1 Dateien wurden nicht verschoben:</translation>
    </message>
    <message>
        <source>%1 of %2 selected file was moved.</source>
        <translation>%1 von %2 ausgewählten Datei wurde verschoben.</translation>
    </message>
    <message>
        <source>%1 of %2 selected files were moved.</source>
        <translation>%1 von %2 ausgewählten Dateien wurden verschoben.</translation>
    </message>
    <message>
        <source>%1 file was not replaced by a hard link:</source>
        <translation>%1 Datei wurde nicht durch eine harte Verknüpfung ersetzt:</translation>
    </message>
    <message>
        <source>%1 files were not replaced by a hard link:</source>
        <translation>%1 Dateien wurden nicht durch eine harte Verknüpfung ersetzt:</translation>
    </message>
    <message>
        <source>%1 of %2 selected file was replaced by a hard link.</source>
        <translation>%1 von %2 ausgewählten Datei wurde durch eine harte Verknüpfung ersetzt.</translation>
    </message>
    <message>
        <source>%1 of %2 selected files were replaced by a hard link.</source>
        <translation>%1 von %2 ausgewählten Dateien wurden durch eine harte Verknüpfung ersetzt.</translation>
    </message>
    <message>
        <source>%1 file was not cloned:</source>
        <translation>%1 Datei wurde nicht geklont:</translation>
    </message>
    <message>
        <source>%1 files were not cloned:</source>
        <translation>%1 Dateien wurden nicht geklont:</translation>
    </message>
    <message>
        <source>%1 of %2 selected file was cloned.</source>
        <translation>%1 von %2 ausgewählten Datei wurde geklont.</translation>
    </message>
    <message>
        <source>%1 of %2 selected files were cloned.</source>
        <translation>%1 von %2 ausgewählten Dateien wurden geklont.</translation>
    </message>
    <message>
        <source>%1 file was not moved to the trash:</source>
        <translation>%1 Datei wurde nicht in den Papierkorb verschoben:</translation>
    </message>
    <message>
        <source>%1 files were not moved to the trash:</source>
        <translation>%1 Dateien wurden nicht in den Papierkorb verschoben:</translation>
    </message>
    <message>
        <source>%1 of %2 selected file was moved to the trash.</source>
        <translation>%1 von %2 ausgewählten Datei wurde in den Papierkorb verschoben.</translation>
    </message>
    <message>
        <source>%1 of %2 selected files were moved to the trash.</source>
        <translation>%1 von %2 ausgewählten Dateien wurden in den Papierkorb verschoben.</translation>
    </message>
    <message>
        <source>, … and %1 more</source>
        <translation>, … und %1 weitere</translation>
    </message>
    <message>
        <source>All files are selected in group(s): %1.
Please clear the selection from any file in each of the above groups.</source>
        <translation>In folgenden Gruppen sind alle Dateien ausgewählt: %1.
Bitte heben Sie in jeder dieser Gruppen die Auswahl mindestens einer Datei auf.</translation>
    </message>
    <message>
        <source>%1 group was left as it was: selecting more there would have left no copy.</source>
        <translation>%1 Gruppe blieb, wie sie war: Mehr darin auszuwählen hätte keine Kopie übrig gelassen.</translation>
    </message>
    <message>
        <source>%1 groups were left as they were: selecting more there would have left no copy.</source>
        <translation>%1 Gruppen blieben, wie sie waren: Mehr darin auszuwählen hätte keine Kopie übrig gelassen.</translation>
    </message>
    <message>
        <source>it lies on another file system than its kept copy</source>
        <translation>sie liegt auf einem anderen Dateisystem als ihre behaltene Kopie</translation>
    </message>
    <message>
        <source>it changed while it was replaced</source>
        <translation>sie wurde verändert, während sie ersetzt wurde</translation>
    </message>
    <message>
        <source>the system does not allow a hard link to its kept copy here</source>
        <translation>das System erlaubt hier keine harte Verknüpfung zu ihrer behaltenen Kopie</translation>
    </message>
    <message>
        <source>its file system has no hard links</source>
        <translation>ihr Dateisystem kennt keine harten Verknüpfungen</translation>
    </message>
    <message>
        <source>its kept copy has as many hard links as its file system allows</source>
        <translation>ihre behaltene Kopie hat bereits so viele harte Verknüpfungen, wie ihr Dateisystem erlaubt</translation>
    </message>
    <message>
        <source>no hard link can be made beside it: %1</source>
        <translation>neben ihr kann keine harte Verknüpfung angelegt werden: %1</translation>
    </message>
    <message>
        <source>its bytes differ from its kept copy&apos;s</source>
        <translation>ihr Inhalt weicht von dem ihrer behaltenen Kopie ab</translation>
    </message>
    <message>
        <source>its file system cannot share blocks between files</source>
        <translation>ihr Dateisystem kann keine Blöcke zwischen Dateien teilen</translation>
    </message>
    <message>
        <source>its blocks cannot be shared: %1</source>
        <translation>ihre Blöcke können nicht geteilt werden: %1</translation>
    </message>
    <message>
        <source>its kept copy %1 has changed: %2</source>
        <translation>ihre behaltene Kopie %1 hat sich verändert: %2</translation>
    </message>
    <message>
        <source>it cannot be replaced: %1</source>
        <translation>sie kann nicht ersetzt werden: %1</translation>
    </message>
    <message>
        <source>its kept copy cannot be read: %1</source>
        <translation>ihre behaltene Kopie kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>it cannot be opened for writing: %1</source>
        <translation>sie kann nicht zum Schreiben geöffnet werden: %1</translation>
    </message>
    <message>
        <source>it changed while it was copied</source>
        <translation>sie wurde verändert, während sie kopiert wurde</translation>
    </message>
    <message>
        <source>it cannot be copied to %1: %2</source>
        <translation>sie kann nicht nach %1 kopiert werden: %2</translation>
    </message>
    <message>
        <source>its copy in %1 does not read back the same</source>
        <translation>ihre Kopie in %1 ergibt beim Zurücklesen nicht dasselbe</translation>
    </message>
    <message>
        <source>its copy in %1 cannot be read back: %2</source>
        <translation>ihre Kopie in %1 kann nicht zurückgelesen werden: %2</translation>
    </message>
    <message>
        <source>it cannot be removed from its folder: %1</source>
        <translation>sie kann nicht aus ihrem Ordner entfernt werden: %1</translation>
    </message>
    <message>
        <source>the checksum cache could not be saved in %1: %2</source>
        <translation>Der Prüfsummen-Speicher konnte nicht in %1 gesichert werden: %2</translation>
    </message>
    <message>
        <source>the checksum cache %1 was not used, %2; it is made anew</source>
        <translation>Der Prüfsummen-Speicher %1 wurde nicht verwendet, %2; er wird neu angelegt</translation>
    </message>
    <message>
        <source>it is a symbolic link</source>
        <translation>er ist eine symbolische Verknüpfung</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>er ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it was replaced while it was read</source>
        <translation>er wurde ersetzt, während er gelesen wurde</translation>
    </message>
    <message>
        <source>it is truncated</source>
        <translation>er ist abgeschnitten</translation>
    </message>
    <message>
        <source>it is not a cache of this version of Pelimor</source>
        <translation>er stammt nicht von dieser Version von Pelimor</translation>
    </message>
    <message>
        <source>it is damaged</source>
        <translation>er ist beschädigt</translation>
    </message>
    <message>
        <source>it could not be read whole</source>
        <translation>er konnte nicht ganz gelesen werden</translation>
    </message>
    <message>
        <source>Read beyond end of file</source>
        <translation>Lesen über das Dateiende hinaus</translation>
    </message>
    <message>
        <source>Disk full</source>
        <translation>Datenträger voll</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>Invalid filename</source>
        <translation>Ungültiger Dateiname</translation>
    </message>
    <message>
        <source>Too many open files</source>
        <translation>Zu viele offene Dateien</translation>
    </message>
    <message>
        <source>File access denied</source>
        <translation>Dateizugriff verweigert</translation>
    </message>
    <message>
        <source>I/O error %1</source>
        <translation>E/A-Fehler %1</translation>
    </message>
    <message>
        <source>the trash %1 cannot be made: %2</source>
        <translation>der Papierkorb %1 kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>there is no trash on its file system (%1): %2</source>
        <translation>auf ihrem Dateisystem gibt es keinen Papierkorb (%1): %2</translation>
    </message>
    <message>
        <source>the trash %1 cannot be written: %2</source>
        <translation>in den Papierkorb %1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>it cannot be looked at: %1</source>
        <translation>sie kann nicht angesehen werden: %1</translation>
    </message>
    <message>
        <source>it changed before it could go to the trash</source>
        <translation>sie hat sich geändert, bevor sie in den Papierkorb kam</translation>
    </message>
    <message>
        <source>its trash %1 lies on another file system: it is never copied there</source>
        <translation>ihr Papierkorb %1 liegt auf einem anderen Dateisystem: dorthin wird nie kopiert</translation>
    </message>
    <message>
        <source>it cannot be moved to the trash %1: %2</source>
        <translation>sie kann nicht in den Papierkorb %1 verschoben werden: %2</translation>
    </message>
    <message>
        <source>the trash %1 has no free name for it</source>
        <translation>der Papierkorb %1 hat keinen freien Namen für sie</translation>
    </message>
    <message>
        <source>it changed before it could go to the Recycle Bin</source>
        <translation>sie hat sich geändert, bevor sie in den Papierkorb kam</translation>
    </message>
    <message>
        <source>its drive has no Recycle Bin</source>
        <translation>ihr Laufwerk hat keinen Papierkorb</translation>
    </message>
    <message>
        <source>the Recycle Bin did not take it (the shell&apos;s code %1)</source>
        <translation>der Papierkorb hat sie nicht angenommen (Code der Shell %1)</translation>
    </message>
    <message>
        <source>Stream read error</source>
        <translation>Lesefehler im Datenstrom</translation>
    </message>
    <message>
        <source>Stream write error</source>
        <translation>Schreibfehler im Datenstrom</translation>
    </message>
    <message>
        <source>Cannot open file &quot;%1&quot;. %2</source>
        <translation>Datei &quot;%1&quot; kann nicht geöffnet werden. %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Datei &quot;%1&quot; kann nicht angelegt werden. %2</translation>
    </message>
    <message>
        <source>File: &quot;%1&quot;</source>
        <translation>Datei: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>it now has the owner, permissions and time of %1</source>
        <translation>sie hat jetzt Besitzer, Rechte und Zeit von %1</translation>
    </message>
    <message>
        <source>the disk took fewer bytes than given</source>
        <translation>der Datenträger nahm weniger Bytes an als übergeben</translation>
    </message>
    <message>
        <source>the bytes differ</source>
        <translation>die Bytes unterscheiden sich</translation>
    </message>
    <message>
        <source>this build of Pelimor cannot search for similar pictures</source>
        <translation>diese Ausgabe von Pelimor kann nicht nach ähnlichen Bildern suchen</translation>
    </message>
    <message>
        <source>the trash %1 is a link: it is not used</source>
        <translation>der Papierkorb %1 ist eine Verknüpfung: er wird nicht benutzt</translation>
    </message>
    <message>
        <source>the trash %1 is not a folder: it is not used</source>
        <translation>der Papierkorb %1 ist kein Ordner: er wird nicht benutzt</translation>
    </message>
    <message>
        <source>the trash %1 belongs to another user: it is not used</source>
        <translation>der Papierkorb %1 gehört einem anderen Benutzer: er wird nicht benutzt</translation>
    </message>
    <message>
        <source>the trash %1 is open to other users: it is not used</source>
        <translation>der Papierkorb %1 steht anderen Benutzern offen: er wird nicht benutzt</translation>
    </message>
    <message>
        <source>the trash %1 changed while it was opened: it is not used</source>
        <translation>der Papierkorb %1 hat sich beim Öffnen verändert: er wird nicht benutzt</translation>
    </message>
    <message>
        <source>the real place of its folder %1 cannot be found</source>
        <translation>der wirkliche Ort ihres Ordners %1 lässt sich nicht finden</translation>
    </message>
    <message>
        <source>The action journal %1 is a symbolic link, which is never followed.</source>
        <translation>Das Aktionsprotokoll %1 ist eine symbolische Verknüpfung, der nie gefolgt wird.</translation>
    </message>
    <message>
        <source>The action journal %1 is a folder, not a file.</source>
        <translation>Das Aktionsprotokoll %1 ist ein Ordner, keine Datei.</translation>
    </message>
    <message>
        <source>The action journal %1 is not a plain file (a pipe, a device or a socket).</source>
        <translation>Das Aktionsprotokoll %1 ist keine gewöhnliche Datei (eine Pipe, ein Gerät oder ein Socket).</translation>
    </message>
    <message>
        <source>The action journal %1 is held by another program.</source>
        <translation>Das Aktionsprotokoll %1 wird von einem anderen Programm gehalten.</translation>
    </message>
    <message>
        <source>The action journal %1 can&apos;t be used: %2</source>
        <translation>Das Aktionsprotokoll %1 kann nicht benutzt werden: %2</translation>
    </message>
    <message>
        <source>it is not in a trash of ours: it stays at %1</source>
        <translation>sie liegt in keinem unserer Papierkörbe: sie bleibt unter %1</translation>
    </message>
    <message>
        <source>%1 is not its record in the trash: it stays at %2</source>
        <translation>%1 ist nicht ihr Eintrag im Papierkorb: sie bleibt unter %2</translation>
    </message>
    <message>
        <source>it is not in %1: it stays at %2</source>
        <translation>sie liegt nicht in %1: sie bleibt unter %2</translation>
    </message>
    <message>
        <source>no move of ours left it at %1</source>
        <translation>keine unserer Aktionen hat sie nach %1 gebracht</translation>
    </message>
    <message>
        <source>a link leads to it: it stays at %1</source>
        <translation>eine Verknüpfung führt zu ihr: sie bleibt unter %1</translation>
    </message>
    <message>
        <source>its old place is no whole path: it stays at %1</source>
        <translation>ihr alter Ort ist kein vollständiger Pfad: sie bleibt unter %1</translation>
    </message>
    <message>
        <source>a folder on its way back is a link: it stays at %1</source>
        <translation>ein Ordner auf ihrem Rückweg ist eine Verknüpfung: sie bleibt unter %1</translation>
    </message>
    <message>
        <source>a folder on its way back is no folder: it stays at %1</source>
        <translation>ein Ordner auf ihrem Rückweg ist kein Ordner: sie bleibt unter %1</translation>
    </message>
    <message>
        <source>its old folder is not the one it was in: it stays at %1</source>
        <translation>ihr alter Ordner ist nicht mehr der, in dem sie lag: sie bleibt unter %1</translation>
    </message>
</context>
<context>
    <name>PreviewPane</name>
    <message>
        <source>Larger than 100 megapixels: not shown</source>
        <translation>Größer als 100 Megapixel: nicht angezeigt</translation>
    </message>
</context>
<context>
    <name>Reasons</name>
    <message>
        <source>changed since the search found it</source>
        <translation>seit die Suche sie fand geändert</translation>
    </message>
    <message>
        <source>changed while it was being read</source>
        <translation>geändert, während sie gelesen wurde</translation>
    </message>
    <message>
        <source>it is or lies in a system folder or the removed-files folder, which are never searched</source>
        <translation>er ist oder liegt in einem Systemordner oder im Ordner für entfernte Dateien, die nie durchsucht werden</translation>
    </message>
    <message>
        <source>its path is longer than the system allows</source>
        <translation>sein Pfad ist länger, als das System erlaubt</translation>
    </message>
    <message>
        <source>not a picture that can be read, or a damaged one</source>
        <translation>kein lesbares Bild, oder ein beschädigtes</translation>
    </message>
    <message>
        <source>too large to be read as a picture</source>
        <translation>zu groß, um als Bild gelesen zu werden</translation>
    </message>
    <message>
        <source>the picture is damaged: only part of it could be decoded, so it is not compared</source>
        <translation>das Bild ist beschädigt: nur ein Teil ließ sich dekodieren, daher wird es nicht verglichen</translation>
    </message>
    <message>
        <source>the picture is larger than 100 megapixels: it is not compared</source>
        <translation>das Bild ist größer als 100 Megapixel: es wird nicht verglichen</translation>
    </message>
    <message>
        <source>the picture would need more than 320 MiB to decode: it is not compared</source>
        <translation>das Bild bräuchte zum Dekodieren mehr als 320 MiB: es wird nicht verglichen</translation>
    </message>
</context>
<context>
    <name>ResultColumns</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Pfad</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
</context>
<context>
    <name>Similarity</name>
    <message>
        <source>Near copies</source>
        <translation>Fast Kopien</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Sehr ähnlich</translation>
    </message>
    <message>
        <source>Similar</source>
        <translation>Ähnlich</translation>
    </message>
    <message>
        <source>Loose</source>
        <translation>Entfernt ähnlich</translation>
    </message>
</context>
<context>
    <name>pelimor::AboutBox</name>
    <message>
        <source>About</source>
        <translation>Über Pelimor</translation>
    </message>
</context>
<context>
    <name>pelimor::ActionProgressDialog</name>
    <message>
        <source>Deleting files</source>
        <translation>Dateien werden gelöscht</translation>
    </message>
    <message>
        <source>Moving files</source>
        <translation>Dateien werden verschoben</translation>
    </message>
    <message>
        <source>Replacing files with hard links</source>
        <translation>Dateien werden durch harte Verknüpfungen ersetzt</translation>
    </message>
    <message>
        <source>Sharing blocks</source>
        <translation>Blöcke werden geteilt</translation>
    </message>
    <message>
        <source>Moving files to the Trash</source>
        <translation>Dateien werden in den Papierkorb verschoben</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1 of %2 files, %3 of %4</source>
        <translation>%1 von %2 Dateien, %3 von %4</translation>
    </message>
    <message>
        <source>Cancelling…</source>
        <translation>Wird abgebrochen…</translation>
    </message>
</context>
<context>
    <name>pelimor::ExclusionsDialog</name>
    <message>
        <source>Exclusions</source>
        <translation>Ausschlüsse</translation>
    </message>
    <message>
        <source>Never search or list these, one a line. A name (node_modules, *.tmp) is passed over wherever it is; a pattern with a / (photos/cache/*) is matched against the path below the source folder. * ? [a-z] and ** (across folders) may be used.</source>
        <translation>Diese nie durchsuchen oder auflisten, einer pro Zeile. Ein Name (node_modules, *.tmp) wird übergangen, wo immer er vorkommt; ein Muster mit / (photos/cache/*) wird mit dem Pfad unterhalb des Quellordners verglichen. * ? [a-z] und ** (über Ordner hinweg) sind erlaubt.</translation>
    </message>
    <message>
        <source>Search hidden folders</source>
        <translation>Versteckte Ordner durchsuchen</translation>
    </message>
</context>
<context>
    <name>pelimor::FilterControls</name>
    <message>
        <source>Please, select Custom type and edit it.</source>
        <translation>Bitte wählen Sie den Typ „Eigene“ und bearbeiten Sie ihn.</translation>
    </message>
</context>
<context>
    <name>pelimor::FolderGroupsView</name>
    <message>
        <source>Find folders that hold the same files</source>
        <translation>Ordner mit denselben Dateien finden</translation>
    </message>
    <message>
        <source>Files were removed or put back since the search: search again to see which folders are still alike.</source>
        <translation>Seit der Suche wurden Dateien entfernt oder zurückgelegt: Suchen Sie erneut, um zu sehen, welche Ordner noch gleich sind.</translation>
    </message>
    <message>
        <source>Every file in them is compared, whatever the type, size and hidden settings</source>
        <translation>Jede Datei darin wird verglichen, unabhängig von Typ, Größe und versteckten Ordnern</translation>
    </message>
    <message>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Select files</source>
        <translation>Dateien auswählen</translation>
    </message>
    <message>
        <source>Selects the files of the chosen folders in the file list, never the last copy</source>
        <translation>Wählt die Dateien der gewählten Ordner in der Dateiliste aus, nie die letzte Kopie</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Copy Path</source>
        <translation>Pfad kopieren</translation>
    </message>
</context>
<context>
    <name>pelimor::MainWindow</name>
    <message>
        <source>Visit QVR Web Site</source>
        <translation>QVR-Website besuchen</translation>
    </message>
    <message>
        <source>Feedback (any comments, wishes)</source>
        <translation>Rückmeldung (Anmerkungen, Wünsche)</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über Pelimor</translation>
    </message>
    <message>
        <source>Safely Select Duplicates From This Folder in All Groups</source>
        <translation>Duplikate aus diesem Ordner in allen Gruppen sicher auswählen</translation>
    </message>
    <message>
        <source>Replace Selected With Hard Links</source>
        <translation>Ausgewählte durch harte Verknüpfungen ersetzen</translation>
    </message>
    <message>
        <source>Undo Move</source>
        <translation>Verschieben rückgängig machen</translation>
    </message>
    <message>
        <source>Delete sends files to the Trash</source>
        <translation>Löschen verschiebt Dateien in den Papierkorb</translation>
    </message>
    <message>
        <source>Ask before Delete and Move</source>
        <translation>Vor Löschen und Verschieben nachfragen</translation>
    </message>
    <message>
        <source>Move keeps the folders</source>
        <translation>Verschieben behält die Ordner bei</translation>
    </message>
    <message>
        <source>Remove folders left empty</source>
        <translation>Leer gewordene Ordner entfernen</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Exclusions</source>
        <translation>Ausschlüsse</translation>
    </message>
    <message>
        <source>Names and patterns never searched, and hidden folders</source>
        <translation>Nie durchsuchte Namen und Muster, und versteckte Ordner</translation>
    </message>
    <message>
        <source>Size, Kb &gt;</source>
        <translation>Größe, KB &gt;</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Mask</source>
        <translation>Maske</translation>
    </message>
    <message>
        <source>Groups: </source>
        <translation>Gruppen: </translation>
    </message>
    <message>
        <source>Files: </source>
        <translation>Dateien: </translation>
    </message>
    <message>
        <source>Selected files:</source>
        <translation>Ausgewählt:</translation>
    </message>
    <message>
        <source>Selected size: </source>
        <translation>Auswahlgröße: </translation>
    </message>
    <message>
        <source>Selected files: </source>
        <translation>Ausgewählt: </translation>
    </message>
    <message>
        <source>Select source folder</source>
        <translation>Quellordner auswählen</translation>
    </message>
    <message>
        <source>the file</source>
        <translation>die Datei</translation>
    </message>
    <message>
        <source>the user guide</source>
        <translation>das Benutzerhandbuch</translation>
    </message>
    <message>
        <source>the web site</source>
        <translation>die Website</translation>
    </message>
    <message>
        <source>the issue tracker</source>
        <translation>die Fehlerverfolgung</translation>
    </message>
    <message>
        <source>%1 selected %2 (%3)</source>
        <translation>%1 ausgewählte %2 (%3)</translation>
    </message>
    <message>
        <source>file</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Delete %1 for good?</source>
        <translation>%1 endgültig löschen?</translation>
    </message>
    <message>
        <source>Move %1 to &quot;%2&quot;?</source>
        <translation>%1 nach „%2“ verschieben?</translation>
    </message>
    <message>
        <source>Move %1 to the Trash?</source>
        <translation>%1 in den Papierkorb verschieben?</translation>
    </message>
    <message>
        <source>Putting files back</source>
        <translation>Dateien werden zurückgelegt</translation>
    </message>
    <message>
        <source>%1 files of the reference folders have no copy elsewhere. List them in the report too?</source>
        <translation>%1 Dateien der Referenzordner haben nirgends sonst eine Kopie. Sollen sie auch im Bericht stehen?</translation>
    </message>
    <message>
        <source>the report</source>
        <translation>den Bericht</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>„%1“ ist keine gültige ganze Zahl</translation>
    </message>
    <message>
        <source>Search cancelled: the list holds what was found until then.</source>
        <translation>Suche abgebrochen: Die Liste enthält, was bis dahin gefunden wurde.</translation>
    </message>
    <message>
        <source>No duplicates found.</source>
        <translation>Keine Duplikate gefunden.</translation>
    </message>
    <message>
        <source>Search cancelled: grouping what was found until then…</source>
        <translation>Suche abgebrochen: Was bis dahin gefunden wurde, wird gruppiert…</translation>
    </message>
    <message>
        <source>The previous search is still finishing. Please try again in a moment.</source>
        <translation>Die vorige Suche wird noch beendet. Bitte versuchen Sie es gleich noch einmal.</translation>
    </message>
    <message>
        <source>1 folder was not searched:
</source>
        <translation>1 Ordner wurde nicht durchsucht:
</translation>
    </message>
    <message>
        <source>%1 folders were not searched:
</source>
        <translation>%1 Ordner wurden nicht durchsucht:
</translation>
    </message>
    <message>
        <source>1 file could not be read and was left out of the comparison:
</source>
        <translation>1 Datei konnte nicht gelesen werden und wurde beim Vergleich ausgelassen:
</translation>
    </message>
    <message>
        <source>%1 files could not be read and were left out of the comparison:
</source>
        <translation>%1 Dateien konnten nicht gelesen werden und wurden beim Vergleich ausgelassen:
</translation>
    </message>
    <message>
        <source>Keep the Newest File of Each Group</source>
        <translation>Neueste Datei jeder Gruppe behalten</translation>
    </message>
    <message>
        <source>Keep the Oldest File of Each Group</source>
        <translation>Älteste Datei jeder Gruppe behalten</translation>
    </message>
    <message>
        <source>Keep the Shortest Path of Each Group</source>
        <translation>Kürzesten Pfad jeder Gruppe behalten</translation>
    </message>
    <message>
        <source>Keep the Longest Path of Each Group</source>
        <translation>Längsten Pfad jeder Gruppe behalten</translation>
    </message>
    <message>
        <source>Keep the File of the First Source Folder</source>
        <translation>Datei des ersten Quellordners behalten</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <source>Invert Selection in Each Group</source>
        <translation>Auswahl in jeder Gruppe umkehren</translation>
    </message>
    <message>
        <source>Deselect Everything in This Folder</source>
        <translation>Alles in diesem Ordner abwählen</translation>
    </message>
    <message>
        <source>Select by Path Pattern...</source>
        <translation>Nach Pfadmuster auswählen...</translation>
    </message>
    <message>
        <source>Select by Path Pattern</source>
        <translation>Nach Pfadmuster auswählen</translation>
    </message>
    <message>
        <source>Also select the files whose whole path matches
(* ? [a-z] within a name, ** across folders):</source>
        <translation>Auch die Dateien auswählen, deren ganzer Pfad passt
(* ? [a-z] innerhalb eines Namens, ** über Ordner hinweg):</translation>
    </message>
    <message>
        <source>Undo Move to Trash</source>
        <translation>Verschieben in den Papierkorb rückgängig machen</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>the folder</source>
        <translation>den Ordner</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Look for</source>
        <translation>Suchen nach</translation>
    </message>
    <message>
        <source>Identical files</source>
        <translation>Gleiche Dateien</translation>
    </message>
    <message>
        <source>Similar pictures</source>
        <translation>Ähnliche Bilder</translation>
    </message>
    <message>
        <source>Not in this build of Pelimor</source>
        <translation>In dieser Ausgabe von Pelimor nicht enthalten</translation>
    </message>
    <message>
        <source>Likeness</source>
        <translation>Ähnlichkeit</translation>
    </message>
    <message>
        <source>Keep the Largest Picture of Each Group</source>
        <translation>Das größte Bild jeder Gruppe behalten</translation>
    </message>
    <message>
        <source>Keep the Highest Resolution of Each Group</source>
        <translation>Die höchste Auflösung jeder Gruppe behalten</translation>
    </message>
    <message>
        <source>The record of this action can&apos;t be written, so it can&apos;t be undone. Go on anyway?</source>
        <translation>Diese Aktion kann nicht aufgezeichnet und daher nicht rückgängig gemacht werden. Trotzdem fortfahren?</translation>
    </message>
    <message>
        <source>Open Containing Folder</source>
        <translation>Enthaltenden Ordner öffnen</translation>
    </message>
    <message>
        <source>Copy Path</source>
        <translation>Pfad kopieren</translation>
    </message>
    <message>
        <source>%1 deleted, %2 freed.</source>
        <translation>%1 gelöscht, %2 freigegeben.</translation>
    </message>
    <message>
        <source>%1 moved to &quot;%2&quot;, %3.</source>
        <translation>%1 nach „%2“ verschoben, %3.</translation>
    </message>
    <message>
        <source>%1 moved to the Trash, %2.</source>
        <translation>%1 in den Papierkorb verschoben, %2.</translation>
    </message>
    <message>
        <source>Ctrl+Z puts it back.</source>
        <translation>Strg+Z holt sie zurück.</translation>
    </message>
    <message>
        <source>Ctrl+Z puts them back.</source>
        <translation>Strg+Z holt sie zurück.</translation>
    </message>
</context>
<context>
    <name>pelimor::PreviewPane</name>
    <message>
        <source>%1 × %2 pixels</source>
        <translation>%1 × %2 Pixel</translation>
    </message>
</context>
<context>
    <name>pelimor::ResultTableModel</name>
    <message>
        <source>In a reference folder: never selected by a rule, never deleted, moved or linked</source>
        <translation>In einem Referenzordner: nie von einer Regel ausgewählt, nie gelöscht, verschoben oder verknüpft</translation>
    </message>
    <message>
        <source>%1 × %2 pixels; its look differs from its group&apos;s first picture in %3 of 64 bits</source>
        <translation>%1 × %2 Pixel; sein Aussehen weicht vom ersten Bild seiner Gruppe in %3 von 64 Bits ab</translation>
    </message>
</context>
<context>
    <name>pelimor::SearchWorker</name>
    <message>
        <source>The search stopped on an unknown error</source>
        <translation>Die Suche wurde durch einen unbekannten Fehler beendet</translation>
    </message>
</context>
<context>
    <name>pelimor::SourceFolderList</name>
    <message>
        <source>
Ticked: a reference folder, searched but never selected or changed</source>
        <translation>
Angehakt: ein Referenzordner, durchsucht, aber nie ausgewählt oder verändert</translation>
    </message>
</context>
<context>
    <name>pelimor::WaitDialog</name>
    <message>
        <source>Please wait some minutes</source>
        <translation>Bitte einige Minuten warten</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Please wait some minutes - </source>
        <translation>Bitte einige Minuten warten - </translation>
    </message>
    <message>
        <source>Comparing files: %1 of %2</source>
        <translation>Dateien werden verglichen: %1 von %2</translation>
    </message>
    <message>
        <source>Looking through folders: %1 files</source>
        <translation>Ordner werden durchsucht: %1 Dateien</translation>
    </message>
</context>
</TS>
