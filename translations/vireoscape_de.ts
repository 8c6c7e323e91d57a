<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CAboutPage</name>
    <message>
        <source>Build Time: %1, %2</source>
        <translation>Erstellt: %1, %2</translation>
    </message>
    <message>
        <source>Vireoscape is the property of</source>
        <translation>Vireoscape ist Eigentum von</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;https://valdo-software.org/vireoscape&quot;&gt;Valdo Software&lt;/a&gt;</source>
        <translation>&lt;a href=&quot;https://valdo-software.org/vireoscape&quot;&gt;Valdo Software&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Copyright (C) 2026 Valdo Software. All rights reserved.</source>
        <translation>Copyright (C) 2026 Valdo Software. Alle Rechte vorbehalten.</translation>
    </message>
</context>
<context>
    <name>CAppConfig</name>
    <message>
        <source>the setting %1 is %2 characters long, more than %3: the default is used</source>
        <translation>die Einstellung %1 ist %2 Zeichen lang, mehr als %3: der Standardwert wird verwendet</translation>
    </message>
    <message>
        <source>the settings store could not be written</source>
        <translation>der Einstellungsspeicher konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>The file name cannot hold &quot;/&quot;: pictures are saved in the folder of &quot;File path&quot;.</source>
        <translation>Der Dateiname darf kein „/“ enthalten: Bilder werden im Ordner von „Dateipfad“ gespeichert.</translation>
    </message>
    <message>
        <source>The file name cannot hold control characters.</source>
        <translation>Der Dateiname darf keine Steuerzeichen enthalten.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no field of the file name: use %Y (year), %M (month), %D (day), %h (hour), %m (minute), %s (second), or %% for a percent sign.</source>
        <translation>„%1“ ist kein Feld des Dateinamens: verwenden Sie %Y (Jahr), %M (Monat), %D (Tag), %h (Stunde), %m (Minute), %s (Sekunde) oder %% für ein Prozentzeichen.</translation>
    </message>
    <message>
        <source>The file name is too long: with the date filled in and the extension it must fit in %1 bytes.</source>
        <translation>Der Dateiname ist zu lang: mit eingesetztem Datum und Endung muss er in %1 Bytes passen.</translation>
    </message>
    <message>
        <source>The file path cannot hold control characters.</source>
        <translation>Der Dateipfad darf keine Steuerzeichen enthalten.</translation>
    </message>
    <message>
        <source>The file path is too long: at most %1 bytes.</source>
        <translation>Der Dateipfad ist zu lang: höchstens %1 Bytes.</translation>
    </message>
</context>
<context>
    <name>CDrawView</name>
    <message>
        <source>Draw View</source>
        <translation>Zeichenansicht</translation>
    </message>
    <message>
        <source>Click a window or drag an area — Enter: done — Esc: cancel — Ctrl+Z: undo</source>
        <translation>Fenster anklicken oder Bereich aufziehen — Eingabe: fertig — Esc: abbrechen — Strg+Z: rückgängig</translation>
    </message>
    <message>
        <source>Drag an area — Enter: done — Esc: cancel — Ctrl+Z: undo</source>
        <translation>Bereich aufziehen — Eingabe: fertig — Esc: abbrechen — Strg+Z: rückgängig</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Reselect snapshot area</source>
        <translation>Aufnahmebereich neu wählen</translation>
    </message>
    <message>
        <source>Pin</source>
        <translation>Anheften</translation>
    </message>
    <message>
        <source>Copy text</source>
        <translation>Text kopieren</translation>
    </message>
    <message>
        <source>Reading text…</source>
        <translation>Text wird gelesen…</translation>
    </message>
    <message>
        <source>No text found</source>
        <translation>Kein Text gefunden</translation>
    </message>
    <message numerus="yes">
        <source>Copied %n lines</source>
        <translation>
            <numerusform>%n Zeile kopiert</numerusform>
            <numerusform>%n Zeilen kopiert</numerusform>
        </translation>
    </message>
    <message>
        <source>No personal data found</source>
        <translation>Keine persönlichen Daten gefunden</translation>
    </message>
    <message numerus="yes">
        <source>Hid %n lines</source>
        <translation>
            <numerusform>%n Zeile verdeckt</numerusform>
            <numerusform>%n Zeilen verdeckt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Hid %n items</source>
        <translation>
            <numerusform>%n Stelle verdeckt</numerusform>
            <numerusform>%n Stellen verdeckt</numerusform>
        </translation>
    </message>
    <message>
        <source>Copied %1</source>
        <translation>%1 kopiert</translation>
    </message>
</context>
<context>
    <name>CGeneralPage</name>
    <message>
        <source>Auto run when start up</source>
        <translation>Beim Systemstart automatisch starten</translation>
    </message>
    <message>
        <source>Hide to tray after run</source>
        <translation>Nach dem Start im Systemabschnitt verbergen</translation>
    </message>
    <message>
        <source>Click &quot;Close&quot; to hide to tray</source>
        <translation>„Schließen“ verbirgt im Systemabschnitt</translation>
    </message>
    <message>
        <source>After click &quot;Finish&quot;</source>
        <translation>Nach Klick auf „Fertig“</translation>
    </message>
    <message>
        <source>Hide to tray</source>
        <translation>Im Systemabschnitt verbergen</translation>
    </message>
    <message>
        <source>Show main window</source>
        <translation>Hauptfenster anzeigen</translation>
    </message>
    <message>
        <source>Exit application</source>
        <translation>Programm beenden</translation>
    </message>
    <message>
        <source>Show a notice of where the picture went</source>
        <translation>Einen Hinweis zeigen, wohin das Bild ging</translation>
    </message>
</context>
<context>
    <name>CGlobalShortcut</name>
    <message>
        <source>there is no X11 display</source>
        <translation>es gibt keine X11-Anzeige</translation>
    </message>
    <message>
        <source>it only types text</source>
        <translation>sie tippt nur Text</translation>
    </message>
    <message>
        <source>it has no X11 key</source>
        <translation>sie hat keine X11-Taste</translation>
    </message>
    <message>
        <source>it has no key on this keyboard</source>
        <translation>sie hat keine Taste auf dieser Tastatur</translation>
    </message>
    <message>
        <source>another program holds it</source>
        <translation>ein anderes Programm belegt sie</translation>
    </message>
    <message>
        <source>the X server refused it</source>
        <translation>der X-Server hat sie abgelehnt</translation>
    </message>
</context>
<context>
    <name>COptionsDialog</name>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Config Dialog</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Snapshot</source>
        <translation>Schnappschuss</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>The settings could not be saved to %1:
%2</source>
        <translation>Die Einstellungen konnten nicht in %1 gespeichert werden:
%2</translation>
    </message>
</context>
<context>
    <name>CPinWindow</name>
    <message>
        <source>Pinned picture</source>
        <translation>Angeheftetes Bild</translation>
    </message>
    <message>
        <source>Drag to move, wheel to zoom, Ctrl+wheel for opacity, double click or Esc to close</source>
        <translation>Ziehen zum Verschieben, Mausrad zum Zoomen, Strg+Mausrad für die Deckkraft, Doppelklick oder Esc zum Schließen</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Save picture…</source>
        <translation>Bild speichern…</translation>
    </message>
    <message>
        <source>Zoom 100 %</source>
        <translation>Zoom 100 %</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>CPortalRequest</name>
    <message>
        <source>no session bus is running, so no %1 portal can be reached</source>
        <translation>es läuft kein Sitzungsbus, daher ist kein Portal „%1“ erreichbar</translation>
    </message>
    <message>
        <source>no %1 portal is running (xdg-desktop-portal is not on the session bus)</source>
        <translation>es läuft kein Portal „%1“ (xdg-desktop-portal ist nicht am Sitzungsbus)</translation>
    </message>
    <message>
        <source>no %1 portal is running (xdg-desktop-portal has no backend for it on this desktop)</source>
        <translation>es läuft kein Portal „%1“ (xdg-desktop-portal hat auf dieser Arbeitsumgebung kein Backend dafür)</translation>
    </message>
    <message>
        <source>the %1 portal did not answer</source>
        <translation>das Portal „%1“ hat nicht geantwortet</translation>
    </message>
    <message>
        <source>the %1 portal failed: %2</source>
        <translation>das Portal „%1“ ist fehlgeschlagen: %2</translation>
    </message>
</context>
<context>
    <name>CPortalScreenshot</name>
    <message>
        <source>screenshot</source>
        <translation>Bildschirmfoto</translation>
    </message>
    <message>
        <source>the screenshot portal was cancelled</source>
        <translation>das Bildschirmfoto-Portal wurde abgebrochen</translation>
    </message>
    <message>
        <source>the screenshot portal refused to take the picture</source>
        <translation>das Bildschirmfoto-Portal hat die Aufnahme verweigert</translation>
    </message>
    <message>
        <source>the screenshot portal answered with &quot;%1&quot;, which is not a file on this computer</source>
        <translation>das Bildschirmfoto-Portal antwortete mit „%1“, das ist keine Datei auf diesem Rechner</translation>
    </message>
    <message>
        <source>the screenshot portal&apos;s picture &quot;%1&quot; could not be read in %2 s</source>
        <translation>das Bild „%1“ des Bildschirmfoto-Portals konnte nicht innerhalb von %2 s gelesen werden</translation>
    </message>
    <message>
        <source>the screenshot portal&apos;s picture &quot;%1&quot; %2</source>
        <translation>das Bild „%1“ des Bildschirmfoto-Portals %2</translation>
    </message>
    <message>
        <source>is %1 x %2 pixels, larger than %3 x %3</source>
        <translation>ist %1 x %2 Pixel groß, größer als %3 x %3</translation>
    </message>
    <message>
        <source>does not fit in memory</source>
        <translation>passt nicht in den Speicher</translation>
    </message>
    <message>
        <source>cannot be read: %1</source>
        <translation>kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>is not a regular file</source>
        <translation>ist keine reguläre Datei</translation>
    </message>
    <message>
        <source>changed while it was read</source>
        <translation>hat sich beim Lesen geändert</translation>
    </message>
    <message>
        <source>is %1 MB, more than any screen&apos;s picture</source>
        <translation>ist %1 MB groß, mehr als das Bild jedes Bildschirms</translation>
    </message>
</context>
<context>
    <name>CPortalShortcuts</name>
    <message>
        <source>global shortcuts</source>
        <translation>globale Tastenkürzel</translation>
    </message>
    <message>
        <source>the desktop refused a global shortcuts session</source>
        <translation>die Arbeitsumgebung hat eine Sitzung für globale Tastenkürzel verweigert</translation>
    </message>
    <message>
        <source>the global shortcuts were not accepted</source>
        <translation>die globalen Tastenkürzel wurden nicht angenommen</translation>
    </message>
    <message>
        <source>the desktop refused the global shortcuts</source>
        <translation>die Arbeitsumgebung hat die globalen Tastenkürzel verweigert</translation>
    </message>
</context>
<context>
    <name>CSGraphicsScene</name>
    <message>
        <source>Press Esc again to discard the marks</source>
        <translation>Esc erneut drücken, um die Markierungen zu verwerfen</translation>
    </message>
    <message>
        <source>Hide text</source>
        <translation>Text verdecken</translation>
    </message>
</context>
<context>
    <name>CShortcutList</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Show Main Window</source>
        <translation>Hauptfenster anzeigen</translation>
    </message>
    <message>
        <source>Start snapshot</source>
        <translation>Schnappschuss starten</translation>
    </message>
    <message>
        <source>&quot;%1&quot; only types text. A hot key without Ctrl, Alt or Meta would take that key from every program.</source>
        <translation>„%1“ tippt nur Text. Ein globales Tastenkürzel ohne Strg, Alt oder Meta würde diese Taste allen Programmen wegnehmen.</translation>
    </message>
</context>
<context>
    <name>CSnapshotEdit</name>
    <message>
        <source>Save picture (Ctrl+S)</source>
        <translation>Bild speichern (Strg+S)</translation>
    </message>
    <message>
        <source>Cancel (Esc)</source>
        <translation>Abbrechen (Esc)</translation>
    </message>
    <message>
        <source>Ok (Enter; Ctrl+C: clipboard only; Ctrl+Z: undo)</source>
        <translation>OK (Eingabe; Strg+C: nur Zwischenablage; Strg+Z: rückgängig)</translation>
    </message>
    <message>
        <source>%1
Key: %2</source>
        <translation>%1
Taste: %2</translation>
    </message>
    <message>
        <source>Select (Delete: remove the chosen mark)</source>
        <translation>Auswählen (Entf: gewählte Markierung entfernen)</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Linie</translation>
    </message>
    <message>
        <source>Line with arrow</source>
        <translation>Pfeil</translation>
    </message>
    <message>
        <source>Rectangle</source>
        <translation>Rechteck</translation>
    </message>
    <message>
        <source>Polygon</source>
        <translation>Vieleck</translation>
    </message>
    <message>
        <source>Ellipse</source>
        <translation>Ellipse</translation>
    </message>
    <message>
        <source>Draw</source>
        <translation>Freihand</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Erase</source>
        <translation>Radieren</translation>
    </message>
    <message>
        <source>Hide (nobody can recover what is under it)</source>
        <translation>Verdecken (niemand kann wiederherstellen, was darunter ist)</translation>
    </message>
    <message>
        <source>Highlighter</source>
        <translation>Textmarker</translation>
    </message>
    <message>
        <source>Steps</source>
        <translation>Schritte</translation>
    </message>
    <message>
        <source>Pin (Ctrl+P)</source>
        <translation>Anheften (Strg+P)</translation>
    </message>
    <message>
        <source>Copy text (Ctrl+Shift+C)</source>
        <translation>Text kopieren (Strg+Umschalt+C)</translation>
    </message>
</context>
<context>
    <name>CSnapshotPage</name>
    <message>
        <source>Start snapshot after double click tray icon</source>
        <translation>Schnappschuss per Doppelklick auf das Symbol im Systemabschnitt starten</translation>
    </message>
    <message>
        <source>Show shadow for draw item</source>
        <translation>Schatten für Zeichenelemente anzeigen</translation>
    </message>
    <message>
        <source>Copy to clipboard after finish</source>
        <translation>Am Ende in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Save to file after finish</source>
        <translation>Am Ende in eine Datei speichern</translation>
    </message>
    <message>
        <source>File path:</source>
        <translation>Dateipfad:</translation>
    </message>
    <message>
        <source>File name:</source>
        <translation>Dateiname:</translation>
    </message>
    <message>
        <source>Image quality:</source>
        <translation>Bildqualität:</translation>
    </message>
    <message>
        <source>%Y year, %M month, %D day, %h hour, %m minute, %s second</source>
        <translation>%Y Jahr, %M Monat, %D Tag, %h Stunde, %m Minute, %s Sekunde</translation>
    </message>
    <message>
        <source>Now: %1</source>
        <translation>Jetzt: %1</translation>
    </message>
    <message>
        <source>Select a directory</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message>
        <source>Text recognition language:</source>
        <translation>Sprache der Texterkennung:</translation>
    </message>
</context>
<context>
    <name>CSnapshotProp</name>
    <message>
        <source>Blocks</source>
        <translation>Blöcke</translation>
    </message>
    <message>
        <source>Smooth</source>
        <translation>Weich</translation>
    </message>
    <message>
        <source>SnapshotProp</source>
        <translation>Eigenschaften</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Schrift</translation>
    </message>
    <message>
        <source>Transparent Value</source>
        <translation>Transparenzwert</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>Transparent</translation>
    </message>
    <message>
        <source>Line Color</source>
        <translation>Linienfarbe</translation>
    </message>
    <message>
        <source>Line Width</source>
        <translation>Linienbreite</translation>
    </message>
    <message>
        <source>Frame</source>
        <translation>Rahmen</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Füllung</translation>
    </message>
    <message>
        <source>Fill Color</source>
        <translation>Füllfarbe</translation>
    </message>
    <message>
        <source>Font Color</source>
        <translation>Schriftfarbe</translation>
    </message>
    <message>
        <source>Font Size</source>
        <translation>Schriftgröße</translation>
    </message>
    <message>
        <source>Frame Color</source>
        <translation>Rahmenfarbe</translation>
    </message>
    <message>
        <source>Frame Width</source>
        <translation>Rahmenbreite</translation>
    </message>
    <message>
        <source>Look</source>
        <translation>Aussehen</translation>
    </message>
    <message>
        <source>Block Size</source>
        <translation>Blockgröße</translation>
    </message>
    <message>
        <source>Highlighter Color</source>
        <translation>Textmarkerfarbe</translation>
    </message>
    <message>
        <source>Highlighter Width</source>
        <translation>Textmarkerbreite</translation>
    </message>
    <message>
        <source>Step Color</source>
        <translation>Schrittfarbe</translation>
    </message>
    <message>
        <source>Step Size</source>
        <translation>Schrittgröße</translation>
    </message>
    <message>
        <source>Hide all text</source>
        <translation>Gesamten Text verdecken</translation>
    </message>
    <message>
        <source>Hide personal data</source>
        <translation>Persönliche Daten verdecken</translation>
    </message>
    <message>
        <source>Hide e-mail addresses, phone and card numbers, IP addresses, links and passwords</source>
        <translation>E-Mail-Adressen, Telefon- und Kartennummern, IP-Adressen, Links und Passwörter verdecken</translation>
    </message>
    <message>
        <source>Hide every line of text</source>
        <translation>Jede Textzeile verdecken</translation>
    </message>
</context>
<context>
    <name>CSnapshotService</name>
    <message>
        <source>the object %1 is already registered</source>
        <translation>das Objekt %1 ist bereits registriert</translation>
    </message>
    <message>
        <source>the name %1 is taken: %2</source>
        <translation>der Name %1 ist vergeben: %2</translation>
    </message>
    <message>
        <source>no session bus: %1</source>
        <translation>kein Sitzungsbus: %1</translation>
    </message>
</context>
<context>
    <name>CTextRecognizer</name>
    <message>
        <source>Text recognition needs Tesseract: install libtesseract-dev and tesseract-ocr-eng, then build again</source>
        <translation>Die Texterkennung braucht Tesseract: libtesseract-dev und tesseract-ocr-eng installieren und neu bauen</translation>
    </message>
    <message>
        <source>Text recognition needs its language model: install tesseract-ocr-%1</source>
        <translation>Die Texterkennung braucht ihr Sprachmodell: tesseract-ocr-%1 installieren</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Usage: vireoscape [OPTION]...
Captures and annotates areas of the screen. Without an option the program stays
in the system tray; Alt+S (or the key set in its options) starts a snapshot.

  -s                    save a picture of the whole screen to a file and end,
                        with no window; the file&apos;s path is printed on standard
                        output
  -d, --delay MS        wait MS milliseconds (0 to %1) before the screen is
                        taken (with -s or --snapshot)
  -r, --region WxH+X+Y  only that area of the screen, in device pixels (with -s)
  --screen N            only monitor N, counted from 0 as xrandr --listmonitors
                        counts them (with -s)
  --window              only the window under the pointer, without the window
                        manager&apos;s frame (with -s)
  -o, --output FILE     write the picture to FILE, in the format its suffix
                        names (PNG without one); an existing FILE is not
                        replaced: the program ends with status 1. With - the PNG
                        goes to standard output (&quot;vireoscape -s -o - &gt; FILE&quot;
                        replaces FILE) (with -s)
  -c, --clipboard       also put the picture on the clipboard; a process of its
                        own serves it until another program takes the clipboard
                        (with -s)
  --snapshot            start a snapshot in the running program, or start the
                        program with a snapshot when none runs (bind a key of
                        the desktop to this command)
  --tray                start in the system tray without showing the main window
                        (the session bus starts the program so when it is asked
                        for a snapshot)
  -h, --help            show this help and end
  -v, --version         show the version and end

Exit status: 0 on success, 1 when the screen cannot be read or the picture
cannot be written, 2 for a wrong option or value.
</source>
        <translation>Aufruf: vireoscape [OPTION]...
Nimmt Bereiche des Bildschirms auf und versieht sie mit Anmerkungen. Ohne Option
bleibt das Programm im Systemabschnitt; Alt+S (oder die in den Optionen gewählte
Taste) startet einen Schnappschuss.

  -s                    ein Bild des ganzen Bildschirms in eine Datei speichern
                        und ohne Fenster enden; der Pfad der Datei wird auf der
                        Standardausgabe ausgegeben
  -d, --delay MS        MS Millisekunden (0 bis %1) warten, bevor der
                        Bildschirm aufgenommen wird (mit -s oder --snapshot)
  -r, --region BxH+X+Y  nur dieser Bereich des Bildschirms, in Gerätepixeln
                        (mit -s)
  --screen N            nur Monitor N, von 0 an gezählt wie bei
                        xrandr --listmonitors (mit -s)
  --window              nur das Fenster unter dem Mauszeiger, ohne den Rahmen
                        der Fensterverwaltung (mit -s)
  -o, --output DATEI    das Bild in DATEI schreiben, im Format, das ihre Endung
                        nennt (PNG ohne Endung); eine vorhandene DATEI wird
                        nicht ersetzt: das Programm endet mit Status 1. Mit -
                        geht das PNG auf die Standardausgabe
                        (&quot;vireoscape -s -o - &gt; DATEI&quot; ersetzt DATEI) (mit -s)
  -c, --clipboard       das Bild auch in die Zwischenablage legen; ein eigener
                        Prozess stellt es bereit, bis ein anderes Programm die
                        Zwischenablage übernimmt (mit -s)
  --snapshot            einen Schnappschuss im laufenden Programm starten oder,
                        wenn keines läuft, das Programm mit einem Schnappschuss
                        starten (legen Sie eine Taste der Arbeitsumgebung auf
                        diesen Befehl)
  --tray                im Systemabschnitt starten, ohne das Hauptfenster zu
                        zeigen (so startet der Sitzungsbus das Programm, wenn er
                        um einen Schnappschuss gebeten wird)
  -h, --help            diese Hilfe anzeigen und enden
  -v, --version         die Version anzeigen und enden

Rückgabewert: 0 bei Erfolg, 1, wenn der Bildschirm nicht gelesen oder das Bild
nicht geschrieben werden kann, 2 bei einer falschen Option oder einem falschen
Wert.
</translation>
    </message>
    <message>
        <source>a delay in milliseconds from 0 to %1</source>
        <translation>eine Verzögerung in Millisekunden von 0 bis %1</translation>
    </message>
    <message>
        <source>an area WxH+X+Y in pixels, such as 300x200+10+10</source>
        <translation>ein Bereich BxH+X+Y in Pixeln, etwa 300x200+10+10</translation>
    </message>
    <message>
        <source>a screen number (the first is 0)</source>
        <translation>eine Bildschirmnummer (der erste ist 0)</translation>
    </message>
    <message>
        <source>a file name, or - for standard output</source>
        <translation>ein Dateiname oder - für die Standardausgabe</translation>
    </message>
    <message>
        <source>%1 takes no value</source>
        <translation>%1 nimmt keinen Wert</translation>
    </message>
    <message>
        <source>%1 needs a value: %2</source>
        <translation>%1 braucht einen Wert: %2</translation>
    </message>
    <message>
        <source>%1: &quot;%2&quot; is not %3</source>
        <translation>%1: „%2“ ist nicht %3</translation>
    </message>
    <message>
        <source>unknown option &quot;%1&quot;</source>
        <translation>unbekannte Option „%1“</translation>
    </message>
    <message>
        <source>%1 and %2 ask for different things</source>
        <translation>%1 und %2 verlangen Verschiedenes</translation>
    </message>
    <message>
        <source>%1 works only with -s or --snapshot</source>
        <translation>%1 geht nur zusammen mit -s oder --snapshot</translation>
    </message>
    <message>
        <source>%1 works only with -s</source>
        <translation>%1 geht nur zusammen mit -s</translation>
    </message>
    <message>
        <source>-r, --screen and --window each choose the area: give one of them</source>
        <translation>-r, --screen und --window wählen jeweils den Bereich: geben Sie nur eine davon an</translation>
    </message>
</context>
<context>
    <name>FinishNotice</name>
    <message>
        <source>Saved to %1 and copied to the clipboard.</source>
        <translation>Gespeichert unter %1 und in die Zwischenablage kopiert.</translation>
    </message>
    <message>
        <source>Saved to %1.</source>
        <translation>Gespeichert unter %1.</translation>
    </message>
    <message>
        <source>The picture is on the clipboard.</source>
        <translation>Das Bild ist in der Zwischenablage.</translation>
    </message>
    <message>
        <source>The snapshot stays open: OK saves another copy.</source>
        <translation>Die Aufnahme bleibt offen: OK speichert eine weitere Kopie.</translation>
    </message>
    <message>
        <source>The snapshot stays open until OK or Cancel.</source>
        <translation>Die Aufnahme bleibt offen bis OK oder Abbrechen.</translation>
    </message>
</context>
<context>
    <name>OneShot</name>
    <message>
        <source>-o: %1 exists and is not replaced (remove it first, or write -o - &gt; %1)</source>
        <translation>-o: %1 ist vorhanden und wird nicht ersetzt (zuerst löschen oder -o - &gt; %1 schreiben)</translation>
    </message>
    <message>
        <source>-o -: standard output is a terminal; send the picture to a file or a program (vireoscape -s -o - &gt; shot.png)</source>
        <translation>-o -: die Standardausgabe ist ein Terminal; leiten Sie das Bild in eine Datei oder ein Programm (vireoscape -s -o - &gt; shot.png)</translation>
    </message>
    <message>
        <source>-o: no image format can be written as &quot;%1&quot; (%2)</source>
        <translation>-o: kein Bildformat kann als „%1“ geschrieben werden (%2)</translation>
    </message>
    <message>
        <source>--window: on Wayland no program is told where the windows are</source>
        <translation>--window: unter Wayland erfährt kein Programm, wo die Fenster sind</translation>
    </message>
    <message>
        <source>-c: on Wayland a program without a window cannot set the clipboard; pipe the picture into wl-copy instead (vireoscape -s -o - | wl-copy)</source>
        <translation>-c: unter Wayland kann ein Programm ohne Fenster die Zwischenablage nicht setzen; leiten Sie das Bild stattdessen an wl-copy (vireoscape -s -o - | wl-copy)</translation>
    </message>
    <message>
        <source>--screen: there is no screen %1 (the first is 0, the last %2)</source>
        <translation>--screen: es gibt keinen Bildschirm %1 (der erste ist 0, der letzte %2)</translation>
    </message>
    <message>
        <source>-r: %1+%2+%3 is not within the screen (%4)</source>
        <translation>-r: %1+%2+%3 liegt nicht innerhalb des Bildschirms (%4)</translation>
    </message>
    <message>
        <source>--window: there is no window under the pointer</source>
        <translation>--window: unter dem Mauszeiger ist kein Fenster</translation>
    </message>
    <message>
        <source>cannot encode the picture: %1</source>
        <translation>das Bild kann nicht kodiert werden: %1</translation>
    </message>
    <message>
        <source>cannot write the picture to standard output: %1</source>
        <translation>das Bild kann nicht in die Standardausgabe geschrieben werden: %1</translation>
    </message>
    <message>
        <source>cannot save %1: %2</source>
        <translation>%1 kann nicht gespeichert werden: %2</translation>
    </message>
    <message>
        <source>cannot read the screen on the Qt platform &quot;%1&quot;</source>
        <translation>der Bildschirm kann auf der Qt-Plattform „%1“ nicht gelesen werden</translation>
    </message>
</context>
<context>
    <name>PictureFiles</name>
    <message>
        <source>cannot save %1: %2</source>
        <translation>%1 kann nicht gespeichert werden: %2</translation>
    </message>
    <message>
        <source>the PNG encoder failed</source>
        <translation>der PNG-Kodierer ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>unsupported image format &quot;%1&quot;</source>
        <translation>nicht unterstütztes Bildformat „%1“</translation>
    </message>
    <message>
        <source>unsupported image format</source>
        <translation>nicht unterstütztes Bildformat</translation>
    </message>
    <message>
        <source>there is no picture to save</source>
        <translation>es gibt kein Bild zum Speichern</translation>
    </message>
    <message>
        <source>every name from %1 to %2 is taken (name pattern &quot;%3&quot;)</source>
        <translation>alle Namen von %1 bis %2 sind vergeben (Namensmuster „%3“)</translation>
    </message>
</context>
<context>
    <name>QCoreApplication</name>
    <message>
        <source>Option...</source>
        <translation>Optionen…</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Can&apos;t start more than one instance of the application.</source>
        <translation>Das Programm kann nicht mehrmals gestartet werden.</translation>
    </message>
</context>
<context>
    <name>SaveDialog</name>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Image file(*.png *.jpg *.bmp *.xbm)</source>
        <translation>Bilddatei (*.png *.jpg *.bmp *.xbm)</translation>
    </message>
    <message>
        <source>Unsupportted Format</source>
        <translation>Nicht unterstütztes Format</translation>
    </message>
    <message>
        <source>Unsupportted Image Format</source>
        <translation>Nicht unterstütztes Bildformat</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 ist bereits vorhanden.
Möchten Sie die Datei ersetzen?</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>The picture could not be saved as %1:
%2</source>
        <translation>Das Bild konnte nicht als %1 gespeichert werden:
%2</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>no X display: DISPLAY is not set</source>
        <translation>keine X-Anzeige: DISPLAY ist nicht gesetzt</translation>
    </message>
    <message>
        <source>cannot connect to the X display &quot;%1&quot;</source>
        <translation>keine Verbindung zur X-Anzeige „%1“</translation>
    </message>
    <message>
        <source>no Qt platform plugin &quot;wayland&quot; is installed (the qt6-wayland package)</source>
        <translation>das Qt-Plattform-Plugin „wayland“ ist nicht installiert (Paket qt6-wayland)</translation>
    </message>
    <message>
        <source>no Wayland compositor at &quot;%1&quot;</source>
        <translation>kein Wayland-Compositor unter „%1“</translation>
    </message>
    <message>
        <source>no Qt platform plugin %1 is installed (looked in %2)</source>
        <translation>kein Qt-Plattform-Plugin %1 ist installiert (gesucht in %2)</translation>
    </message>
    <message>
        <source>QT_QPA_PLATFORM names no platform</source>
        <translation>QT_QPA_PLATFORM nennt keine Plattform</translation>
    </message>
    <message>
        <source>the running instance cannot be asked for a snapshot: %1</source>
        <translation>das laufende Programm kann nicht um einen Schnappschuss gebeten werden: %1</translation>
    </message>
    <message>
        <source>other programs cannot start a snapshot here (%1)</source>
        <translation>andere Programme können hier keinen Schnappschuss starten (%1)</translation>
    </message>
</context>
<context>
    <name>Vireoscape</name>
    <message>
        <source>Vireoscape</source>
        <translation>Vireoscape</translation>
    </message>
    <message>
        <source>Vireoscape runs in the tray. Click its icon twice to take a snapshot.</source>
        <translation>Vireoscape läuft im Systemabschnitt. Doppelklicken Sie auf das Symbol, um einen Schnappschuss aufzunehmen.</translation>
    </message>
    <message>
        <source>Vireoscape runs in the tray. Press %1 to take a snapshot.</source>
        <translation>Vireoscape läuft im Systemabschnitt. Drücken Sie %1, um einen Schnappschuss aufzunehmen.</translation>
    </message>
    <message>
        <source>It also starts with the system from now on: to change that, untick &quot;%1&quot; in %2 &gt; %3.</source>
        <translation>Es startet ab jetzt auch mit dem System: um das zu ändern, entfernen Sie den Haken bei „%1“ unter %2 &gt; %3.</translation>
    </message>
    <message>
        <source>cannot save the settings to %1: %2</source>
        <translation>die Einstellungen können nicht in %1 gespeichert werden: %2</translation>
    </message>
    <message>
        <source>Start snapshot</source>
        <translation>Schnappschuss starten</translation>
    </message>
    <message>
        <source>Show Main Window</source>
        <translation>Hauptfenster anzeigen</translation>
    </message>
    <message>
        <source>Option...</source>
        <translation>Optionen…</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>Aufnehmen</translation>
    </message>
    <message>
        <source>Capture (%1)</source>
        <translation>Aufnehmen (%1)</translation>
    </message>
    <message>
        <source>This desktop does not let programs bind keys (%1). To start a snapshot with a key, bind the command &quot;vireoscape --snapshot&quot; to it in the desktop&apos;s own keyboard settings.</source>
        <translation>Diese Arbeitsumgebung lässt Programme keine Tasten belegen (%1). Um einen Schnappschuss mit einer Taste zu starten, legen Sie den Befehl „vireoscape --snapshot“ in den Tastatureinstellungen der Arbeitsumgebung auf diese Taste.</translation>
    </message>
    <message>
        <source>No snapshot while &quot;%1&quot; is open: finish with it first.</source>
        <translation>Kein Schnappschuss, solange „%1“ offen ist: schließen Sie es zuerst ab.</translation>
    </message>
    <message>
        <source>The snapshot cannot start: %1.</source>
        <translation>Der Schnappschuss kann nicht starten: %1.</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>The settings are saved, but these hot keys could not be registered: %1.
Another program may be using them; choose other combinations.</source>
        <translation>Die Einstellungen sind gespeichert, aber diese globalen Tastenkürzel konnten nicht registriert werden: %1.
Vielleicht verwendet ein anderes Programm sie; wählen Sie andere Kombinationen.</translation>
    </message>
    <message>
        <source>Close all pins</source>
        <translation>Alle angehefteten Bilder schließen</translation>
    </message>
    <message>
        <source>The hot key %1 (%2) could not be registered: %3.</source>
        <translation>Das Tastenkürzel %1 (%2) konnte nicht registriert werden: %3.</translation>
    </message>
</context>
</TS>
