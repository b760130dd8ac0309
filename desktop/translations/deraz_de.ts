<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>deraz::TAboutDlg</name>
    <message>
        <source>About Deraz Audio Converter</source>
        <translation>Über Deraz Audio Converter</translation>
    </message>
    <message>
        <source>A batch converter for Ogg Vorbis, MP3, FLAC, Monkey&apos;s Audio and WAV files.
Free software: see the licence that comes with it.</source>
        <translation>Ein Stapelkonverter für Ogg-Vorbis-, MP3-, FLAC-, Monkey&apos;s-Audio- und WAV-Dateien.
Freie Software: siehe die beiliegende Lizenz.</translation>
    </message>
    <message>
        <source>Visit site.</source>
        <translation>Dokumentation öffnen.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>deraz::TConfigDlg</name>
    <message>
        <source>Conversion done. - </source>
        <translation>Konvertierung fertig. - </translation>
    </message>
    <message>
        <source>Conversion error. - </source>
        <translation>Konvertierungsfehler. - </translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>Einstellungen...</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Mini mode...</source>
        <translation>Minimodus...</translation>
    </message>
    <message>
        <source>Always notify me when conversion is done.</source>
        <translation>Immer benachrichtigen, wenn die Konvertierung fertig ist.</translation>
    </message>
    <message>
        <source>Always notify you when conversion is done or errors orccured.</source>
        <translation>Benachrichtigt Sie immer, wenn die Konvertierung fertig ist oder Fehler auftraten.</translation>
    </message>
    <message>
        <source>Automatialy send application to mini mode when conversion starts.</source>
        <translation>Beim Start der Konvertierung automatisch in den Minimodus wechseln.</translation>
    </message>
    <message>
        <source>This will send Deraz Audio Converter to minimode every time you start a conversion progress.</source>
        <translation>Deraz Audio Converter wechselt bei jedem Start einer Konvertierung in den Minimodus.</translation>
    </message>
    <message>
        <source>Mini mode disabled.</source>
        <translation>Minimodus ausgeschaltet.</translation>
    </message>
    <message>
        <source>Enable or disable minimode.</source>
        <translation>Minimodus ein- oder ausschalten.</translation>
    </message>
    <message>
        <source>Notify me with sound.</source>
        <translation>Mit einem Klang benachrichtigen.</translation>
    </message>
    <message>
        <source>Use a sound to tell you if the conversion is done or errors orcoured.</source>
        <translation>Ein Klang meldet, ob die Konvertierung fertig ist oder Fehler auftraten.</translation>
    </message>
    <message>
        <source>Convert &amp;up to</source>
        <translation>&amp;Bis zu</translation>
    </message>
    <message>
        <source>How many files convert at the same time; 1 converts one after another.</source>
        <translation>Wie viele Dateien gleichzeitig konvertiert werden; 1 konvertiert eine nach der anderen.</translation>
    </message>
    <message>
        <source>files at once.</source>
        <translation>Dateien zugleich.</translation>
    </message>
    <message>
        <source>Write ReplayGain tags:</source>
        <translation>ReplayGain-Tags:</translation>
    </message>
    <message>
        <source>off</source>
        <translation>aus</translation>
    </message>
    <message>
        <source>track</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Measure the loudness of every converted file and tag it, so that players can play tracks (or whole albums) at one loudness.</source>
        <translation>Misst die Lautheit jeder konvertierten Datei und schreibt sie in ihre Tags, damit Player Titel (oder ganze Alben) gleich laut abspielen.</translation>
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
        <source>Windows Wave Files (*.wav)</source>
        <translation>Windows-Wave-Dateien (*.wav)</translation>
    </message>
    <message>
        <source>Please select a sound for done conversion...</source>
        <translation>Bitte einen Klang für fertige Konvertierungen wählen...</translation>
    </message>
    <message>
        <source>Please select a sound for errors...</source>
        <translation>Bitte einen Klang für Fehler wählen...</translation>
    </message>
    <message>
        <source>Sound notify...</source>
        <translation>Klangbenachrichtigung...</translation>
    </message>
    <message>
        <source>Select a audio file.</source>
        <translation>Eine Audiodatei wählen.</translation>
    </message>
    <message>
        <source>Play the selected audio file.</source>
        <translation>Die gewählte Audiodatei abspielen.</translation>
    </message>
    <message>
        <source>Conversion done.</source>
        <translation>Konvertierung fertig.</translation>
    </message>
    <message>
        <source>Filename for done conversion.</source>
        <translation>Dateiname für fertige Konvertierungen.</translation>
    </message>
    <message>
        <source>Conversion error.</source>
        <translation>Konvertierungsfehler.</translation>
    </message>
    <message>
        <source>Filename for errors.</source>
        <translation>Dateiname für Fehler.</translation>
    </message>
    <message>
        <source>Added folders...</source>
        <translation>Hinzugefügte Ordner...</translation>
    </message>
    <message>
        <source>Keep the folders of added folders under the output directory.</source>
        <translation>Unterordner hinzugefügter Ordner im Ausgabeordner beibehalten.</translation>
    </message>
    <message>
        <source>Files of an added folder go to the same folders below the output directory.</source>
        <translation>Dateien eines hinzugefügten Ordners kommen in dieselben Unterordner des Ausgabeordners.</translation>
    </message>
    <message>
        <source>Copy cover pictures found beside the files.</source>
        <translation>Coverbilder neben den Dateien mitkopieren.</translation>
    </message>
    <message>
        <source>Cover pictures of an added folder are copied beside the converted files.</source>
        <translation>Coverbilder eines hinzugefügten Ordners werden neben die konvertierten Dateien kopiert.</translation>
    </message>
    <message>
        <source>Convert only files that are new or changed since their output was written.</source>
        <translation>Nur Dateien konvertieren, die seit ihrer Ausgabe neu oder geändert sind.</translation>
    </message>
    <message>
        <source>Files whose output is not older than they are are left as they are.</source>
        <translation>Dateien, deren Ausgabe nicht älter ist als sie, bleiben unverändert.</translation>
    </message>
    <message>
        <source>Mini mode enabled.</source>
        <translation>Minimodus eingeschaltet.</translation>
    </message>
    <message>
        <source>Please select wave file first!</source>
        <translation>Bitte zuerst eine Wave-Datei wählen!</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Highest sample rate:</source>
        <translation>Höchste Abtastrate:</translation>
    </message>
    <message>
        <source>Keep</source>
        <translation>Beibehalten</translation>
    </message>
    <message>
        <source>Inputs above this rate are resampled to the highest rate of their family at or below it (88200 Hz to 44100 Hz, 96000 Hz to 48000 Hz).</source>
        <translation>Eingaben über dieser Rate werden auf die höchste Rate ihrer Familie umgerechnet, die diese Grenze nicht überschreitet (88200 Hz auf 44100 Hz, 96000 Hz auf 48000 Hz).</translation>
    </message>
    <message>
        <source>Highest bit depth:</source>
        <translation>Höchste Bittiefe:</translation>
    </message>
    <message>
        <source>Wider inputs are reduced with dither in lossless outputs; lossy outputs take them as they are.</source>
        <translation>Eingaben mit größerer Bittiefe werden in verlustfreien Ausgaben mit Dithering reduziert; verlustbehaftete Ausgaben übernehmen sie unverändert.</translation>
    </message>
    <message>
        <source>Channels:</source>
        <translation>Kanäle:</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Inputs with more channels are mixed down.</source>
        <translation>Eingaben mit mehr Kanälen werden heruntergemischt.</translation>
    </message>
    <message>
        <source>Copy files already in the output format instead of converting them.</source>
        <translation>Dateien, die schon im Ausgabeformat vorliegen, kopieren statt konvertieren.</translation>
    </message>
    <message>
        <source>A lossy file at or below the chosen bit rate, or a lossless file in the same format, is copied as it is when no limit above applies.</source>
        <translation>Eine verlustbehaftete Datei mit höchstens der gewählten Bitrate oder eine verlustfreie Datei im selben Format wird unverändert kopiert, wenn keine der obigen Grenzen greift.</translation>
    </message>
    <message>
        <source>Names</source>
        <translation>Namen</translation>
    </message>
    <message>
        <source>Name outputs by their tags:</source>
        <translation>Ausgaben nach ihren Tags benennen:</translation>
    </message>
    <message>
        <source>Outputs in the output directory are named by the pattern below.</source>
        <translation>Ausgaben im Ausgabeordner werden nach dem Muster unten benannt.</translation>
    </message>
    <message>
        <source>Fields: {artist} {albumartist} {album} {title} {track} {disc} {year} {genre} {composer} {filename} {folder}; {track:02} pads a number with zeros.</source>
        <translation>Felder: {artist} {albumartist} {album} {title} {track} {disc} {year} {genre} {composer} {filename} {folder}; {track:02} füllt eine Zahl mit führenden Nullen auf.</translation>
    </message>
    <message>
        <source>Remove outputs whose source is gone.</source>
        <translation>Ausgaben entfernen, deren Quelle nicht mehr vorhanden ist.</translation>
    </message>
    <message>
        <source>When a batch starts, outputs in the output directory whose source file has gone are removed, after asking.</source>
        <translation>Beim Start eines Stapels werden Ausgaben im Ausgabeordner, deren Quelldatei nicht mehr vorhanden ist, nach Rückfrage entfernt.</translation>
    </message>
    <message>
        <source>Select a file in the media bin to see its output name here.</source>
        <translation>Eine Datei in der Medienliste wählen, um hier ihren Ausgabenamen zu sehen.</translation>
    </message>
    <message>
        <source>%1 gives: %2</source>
        <translation>%1 ergibt: %2</translation>
    </message>
</context>
<context>
    <name>deraz::TConfigOutputDlg</name>
    <message>
        <source>OGG Vorbis Encoder (*.ogg)</source>
        <translation>OGG-Vorbis-Encoder (*.ogg)</translation>
    </message>
    <message>
        <source>Lame MP3 Encoder (*.mp3)</source>
        <translation>Lame-MP3-Encoder (*.mp3)</translation>
    </message>
    <message>
        <source>Free Lossless Audio Codec Encoder (*.fla)</source>
        <translation>Free-Lossless-Audio-Codec-Encoder (*.fla)</translation>
    </message>
    <message>
        <source>Free Lossless Audio Codec Encoder (*.flac)</source>
        <translation>Free-Lossless-Audio-Codec-Encoder (*.flac)</translation>
    </message>
    <message>
        <source>Monkeys Audio Compression Encoder (*.ape)</source>
        <translation>Monkey&apos;s-Audio-Encoder (*.ape)</translation>
    </message>
    <message>
        <source>Wave Writer (*.wav)</source>
        <translation>Wave-Schreiber (*.wav)</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Standad</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>Schnell</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Hoch</translation>
    </message>
    <message>
        <source>Extra high</source>
        <translation>Sehr hoch</translation>
    </message>
    <message>
        <source>Insane</source>
        <translation>Extrem</translation>
    </message>
    <message>
        <source>Quality 0 - 64 kbps</source>
        <translation>Qualität 0 - 64 kbps</translation>
    </message>
    <message>
        <source>Quality 1 - 80 kbps</source>
        <translation>Qualität 1 - 80 kbps</translation>
    </message>
    <message>
        <source>Quality 2 - 96 kbps</source>
        <translation>Qualität 2 - 96 kbps</translation>
    </message>
    <message>
        <source>Quality 3 - 112 kbps</source>
        <translation>Qualität 3 - 112 kbps</translation>
    </message>
    <message>
        <source>Quality 4 - 128 kbps</source>
        <translation>Qualität 4 - 128 kbps</translation>
    </message>
    <message>
        <source>Quality 5 - 160 kbps</source>
        <translation>Qualität 5 - 160 kbps</translation>
    </message>
    <message>
        <source>Quality 6 - 192 kbps</source>
        <translation>Qualität 6 - 192 kbps</translation>
    </message>
    <message>
        <source>Quality 7 - 224 kbps</source>
        <translation>Qualität 7 - 224 kbps</translation>
    </message>
    <message>
        <source>Quality 8 - 256 kbps</source>
        <translation>Qualität 8 - 256 kbps</translation>
    </message>
    <message>
        <source>Quality 9 - 320 kbps</source>
        <translation>Qualität 9 - 320 kbps</translation>
    </message>
    <message>
        <source>Quality 10 - 500 kbps</source>
        <translation>Qualität 10 - 500 kbps</translation>
    </message>
    <message>
        <source>Choose output format...</source>
        <translation>Ausgabeformat wählen...</translation>
    </message>
    <message>
        <source>Accept.</source>
        <translation>Übernehmen.</translation>
    </message>
    <message>
        <source>Accept changes.</source>
        <translation>Änderungen übernehmen.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Discard changes.</source>
        <translation>Änderungen verwerfen.</translation>
    </message>
    <message>
        <source>Select the encoder for the output format.</source>
        <translation>Den Encoder für das Ausgabeformat wählen.</translation>
    </message>
    <message>
        <source>Copy tags from source file.</source>
        <translation>Tags aus der Quelldatei kopieren.</translation>
    </message>
    <message>
        <source>Copy all tag information from source file to destination file.</source>
        <translation>Alle Tag-Informationen der Quelldatei in die Zieldatei kopieren.</translation>
    </message>
    <message>
        <source>Select the bitrate quality.</source>
        <translation>Die Bitrate bzw. Qualität wählen.</translation>
    </message>
    <message>
        <source>If source bitrate is lower than destination bitrate, </source>
        <translation>Ist die Bitrate der Quelle niedriger als die des Ziels, </translation>
    </message>
    <message>
        <source>Choose to not up/down convert bitrate if under specifired.</source>
        <translation>Die Bitrate nicht über die der Quelle anheben.</translation>
    </message>
    <message>
        <source>then use same bitrate as source.</source>
        <translation>dann die Bitrate der Quelle verwenden.</translation>
    </message>
    <message>
        <source>Destination format...</source>
        <translation>Zielformat...</translation>
    </message>
    <message>
        <source>Bitrate quality selection...</source>
        <translation>Bitrate und Qualität...</translation>
    </message>
    <message>
        <source>Cannot update filename extension, because there isnt any files in the media bin!</source>
        <translation>Die Dateiendung kann nicht angepasst werden, weil die Medienliste leer ist!</translation>
    </message>
    <message>
        <source>Opus Encoder (*.opus)</source>
        <translation>Opus-Encoder (*.opus)</translation>
    </message>
    <message>
        <source>AAC Encoder (*.m4a)</source>
        <translation>AAC-Encoder (*.m4a)</translation>
    </message>
    <message>
        <source>Apple Lossless Encoder (*.m4a)</source>
        <translation>Apple-Lossless-Encoder (*.m4a)</translation>
    </message>
    <message>
        <source>WavPack Encoder (*.wv)</source>
        <translation>WavPack-Encoder (*.wv)</translation>
    </message>
    <message>
        <source>AIFF Writer (*.aiff)</source>
        <translation>AIFF-Schreiber (*.aiff)</translation>
    </message>
    <message>
        <source>Very high</source>
        <translation>Sehr hoch</translation>
    </message>
    <message>
        <source>Fast - Poor compression</source>
        <translation>Schnell - schwache Kompression</translation>
    </message>
    <message>
        <source>Normal - Good compression</source>
        <translation>Normal - gute Kompression</translation>
    </message>
    <message>
        <source>High - Good compression</source>
        <translation>Hoch - gute Kompression</translation>
    </message>
    <message>
        <source>Extra high - Best compression</source>
        <translation>Sehr hoch - beste Kompression</translation>
    </message>
    <message>
        <source>Insane compression</source>
        <translation>Extreme Kompression</translation>
    </message>
    <message>
        <source>Braindead compression</source>
        <translation>Maximale Kompression</translation>
    </message>
    <message>
        <source>Level 0 - fastest</source>
        <translation>Stufe 0 - am schnellsten</translation>
    </message>
    <message>
        <source>Level 1</source>
        <translation>Stufe 1</translation>
    </message>
    <message>
        <source>Level 2</source>
        <translation>Stufe 2</translation>
    </message>
    <message>
        <source>Level 3</source>
        <translation>Stufe 3</translation>
    </message>
    <message>
        <source>Level 4</source>
        <translation>Stufe 4</translation>
    </message>
    <message>
        <source>Level 5 - default</source>
        <translation>Stufe 5 - Standard</translation>
    </message>
    <message>
        <source>Level 6</source>
        <translation>Stufe 6</translation>
    </message>
    <message>
        <source>Level 7</source>
        <translation>Stufe 7</translation>
    </message>
    <message>
        <source>Level 8 - smallest</source>
        <translation>Stufe 8 - am kleinsten</translation>
    </message>
</context>
<context>
    <name>deraz::TConvDlg</name>
    <message>
        <source>Converting: %1 out of %2</source>
        <translation>Konvertiere: %1 von %2</translation>
    </message>
    <message>
        <source>%1 Done!</source>
        <translation>%1 Fertig!</translation>
    </message>
    <message>
        <source>Converting:</source>
        <translation>Konvertiere:</translation>
    </message>
    <message>
        <source>From:</source>
        <translation>Von:</translation>
    </message>
    <message>
        <source>To:</source>
        <translation>Nach:</translation>
    </message>
    <message>
        <source>Current progress:</source>
        <translation>Aktueller Fortschritt:</translation>
    </message>
    <message>
        <source>Overall progress:</source>
        <translation>Gesamtfortschritt:</translation>
    </message>
    <message>
        <source>Send to mini mode.</source>
        <translation>In den Minimodus.</translation>
    </message>
    <message>
        <source>Abort conversion.</source>
        <translation>Konvertierung abbrechen.</translation>
    </message>
    <message>
        <source>No files added to media bin!</source>
        <translation>Keine Dateien in der Medienliste!</translation>
    </message>
    <message>
        <source>%1 out of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Time left: about %1</source>
        <translation>Restzeit: etwa %1</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>%1 converted, %2 not converted.</source>
        <translation>%1 konvertiert, %2 nicht konvertiert.</translation>
    </message>
    <message>
        <source>Convertion completed!</source>
        <translation>Konvertierung abgeschlossen!</translation>
    </message>
</context>
<context>
    <name>deraz::TInfoTagDlg</name>
    <message>
        <source>Vendor:</source>
        <translation>Hersteller:</translation>
    </message>
    <message>
        <source>Version:</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>Compression:</source>
        <translation>Kompression:</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>Datei:</translation>
    </message>
    <message>
        <source>File extension.</source>
        <translation>Dateiendung.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Standard tags...</source>
        <translation>Standard-Tags...</translation>
    </message>
    <message>
        <source>Artist:</source>
        <translation>Interpret:</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>Titel:</translation>
    </message>
    <message>
        <source>Album:</source>
        <translation>Album:</translation>
    </message>
    <message>
        <source>Date / year:</source>
        <translation>Datum / Jahr:</translation>
    </message>
    <message>
        <source>Track:</source>
        <translation>Titelnr.:</translation>
    </message>
    <message>
        <source>Genre:</source>
        <translation>Genre:</translation>
    </message>
    <message>
        <source>Comments:</source>
        <translation>Kommentare:</translation>
    </message>
    <message>
        <source>File information...</source>
        <translation>Dateiinformationen...</translation>
    </message>
    <message>
        <source>Duration:</source>
        <translation>Dauer:</translation>
    </message>
    <message>
        <source>Average bitrate:</source>
        <translation>Mittlere Bitrate:</translation>
    </message>
    <message>
        <source>File size:</source>
        <translation>Dateigröße:</translation>
    </message>
    <message>
        <source>Channels:</source>
        <translation>Kanäle:</translation>
    </message>
    <message>
        <source>Sampling rate:</source>
        <translation>Abtastrate:</translation>
    </message>
    <message>
        <source>Encoder:</source>
        <translation>Encoder:</translation>
    </message>
    <message>
        <source>Layer:</source>
        <translation>Layer:</translation>
    </message>
    <message>
        <source>Frames:</source>
        <translation>Frames:</translation>
    </message>
    <message>
        <source>Emphasis:</source>
        <translation>Emphasis:</translation>
    </message>
    <message>
        <source>CRC</source>
        <translation>CRC</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>Copyrighted</source>
        <translation>Urheberrechtlich geschützt</translation>
    </message>
</context>
<context>
    <name>deraz::TMainForm</name>
    <message>
        <source>Input filename.</source>
        <translation>Eingabedatei.</translation>
    </message>
    <message>
        <source>Output filename.</source>
        <translation>Ausgabedatei.</translation>
    </message>
    <message>
        <source>File size.</source>
        <translation>Größe.</translation>
    </message>
    <message>
        <source>File type.</source>
        <translation>Dateityp.</translation>
    </message>
    <message>
        <source>Bitrate</source>
        <translation>Bitrate</translation>
    </message>
    <message>
        <source>All Supported Files</source>
        <translation>Alle unterstützten Dateien</translation>
    </message>
    <message>
        <source>MP3 Files</source>
        <translation>MP3-Dateien</translation>
    </message>
    <message>
        <source>FLAC Files</source>
        <translation>FLAC-Dateien</translation>
    </message>
    <message>
        <source>APE Files</source>
        <translation>APE-Dateien</translation>
    </message>
    <message>
        <source>Wav Files</source>
        <translation>WAV-Dateien</translation>
    </message>
    <message>
        <source>OGG Files</source>
        <translation>OGG-Dateien</translation>
    </message>
    <message>
        <source>Please Select Media Files For Convert...</source>
        <translation>Bitte Mediendateien zum Konvertieren wählen...</translation>
    </message>
    <message>
        <source>This is the media bin, here&apos;s all the files you want to convert.</source>
        <translation>Dies ist die Medienliste mit allen Dateien, die Sie konvertieren möchten.</translation>
    </message>
    <message>
        <source>Clear all.</source>
        <translation>Alle entfernen.</translation>
    </message>
    <message>
        <source>Remove selected.</source>
        <translation>Auswahl entfernen.</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Select audio files.</source>
        <translation>Audiodateien wählen.</translation>
    </message>
    <message>
        <source>Select the audio files you wish to convert.</source>
        <translation>Die Audiodateien wählen, die Sie konvertieren möchten.</translation>
    </message>
    <message>
        <source>Select audio folder.</source>
        <translation>Audioordner wählen.</translation>
    </message>
    <message>
        <source>Select a folder whose audio files you wish to convert.</source>
        <translation>Einen Ordner wählen, dessen Audiodateien Sie konvertieren möchten.</translation>
    </message>
    <message>
        <source>Select output directory.</source>
        <translation>Ausgabeordner wählen.</translation>
    </message>
    <message>
        <source>Select the destination directory.</source>
        <translation>Den Zielordner wählen.</translation>
    </message>
    <message>
        <source>Choose format.</source>
        <translation>Format wählen.</translation>
    </message>
    <message>
        <source>Choose the output format for you audio files.</source>
        <translation>Das Ausgabeformat für Ihre Audiodateien wählen.</translation>
    </message>
    <message>
        <source>Start conversion.</source>
        <translation>Konvertierung starten.</translation>
    </message>
    <message>
        <source>Start the audio conversion.</source>
        <translation>Die Konvertierung starten.</translation>
    </message>
    <message>
        <source>Exit.</source>
        <translation>Beenden.</translation>
    </message>
    <message>
        <source>Quit Deraz Audio Converter.</source>
        <translation>Deraz Audio Converter beenden.</translation>
    </message>
    <message>
        <source>Configure</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Configure appearance of Deraz Audio Converter.</source>
        <translation>Deraz Audio Converter einrichten.</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Documentation.</source>
        <translation>Dokumentation.</translation>
    </message>
    <message>
        <source>Read how to use Deraz Audio Converter.</source>
        <translation>Lesen, wie Deraz Audio Converter benutzt wird.</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>See who is responsible for Deraz Audio Converter.</source>
        <translation>Wer hinter Deraz Audio Converter steht.</translation>
    </message>
    <message>
        <source>Exit application.</source>
        <translation>Programm beenden.</translation>
    </message>
    <message>
        <source>Step 1...</source>
        <translation>Schritt 1...</translation>
    </message>
    <message>
        <source>Step 2 (if needed)...</source>
        <translation>Schritt 2 (bei Bedarf)...</translation>
    </message>
    <message>
        <source>Step 3...</source>
        <translation>Schritt 3...</translation>
    </message>
    <message>
        <source>Step 4...</source>
        <translation>Schritt 4...</translation>
    </message>
    <message>
        <source>%1 is not a supported filetype or invalid!</source>
        <translation>%1 ist kein unterstützter Dateityp oder ungültig!</translation>
    </message>
    <message>
        <source>Please select audio folder...</source>
        <translation>Bitte einen Audioordner wählen...</translation>
    </message>
    <message>
        <source>Please select output directory...</source>
        <translation>Bitte den Ausgabeordner wählen...</translation>
    </message>
    <message>
        <source>The media bin is empty!</source>
        <translation>Die Medienliste ist leer!</translation>
    </message>
    <message>
        <source>Are you sure to delete: %1 file(s) from media bin?</source>
        <translation>Wirklich %1 Datei(en) aus der Medienliste entfernen?</translation>
    </message>
    <message>
        <source>Media info for: %1</source>
        <translation>Medieninformationen zu: %1</translation>
    </message>
    <message>
        <source>Total files to be converted: %1</source>
        <translation>Zu konvertierende Dateien: %1</translation>
    </message>
    <message>
        <source>A conversion is running. Do you want to stop it and exit Deraz Audio Converter? The files being converted are not kept.</source>
        <translation>Eine Konvertierung läuft. Wollen Sie sie abbrechen und Deraz Audio Converter beenden? Die gerade konvertierten Dateien werden nicht behalten.</translation>
    </message>
    <message>
        <source>Do you want to quit?</source>
        <translation>Wollen Sie beenden?</translation>
    </message>
    <message>
        <source>Do you really want to exit Deraz Audio Converter?</source>
        <translation>Wollen Sie Deraz Audio Converter wirklich beenden?</translation>
    </message>
    <message>
        <source>Opus Files</source>
        <translation>Opus-Dateien</translation>
    </message>
    <message>
        <source>M4A Files</source>
        <translation>M4A-Dateien</translation>
    </message>
    <message>
        <source>Other Audio Files</source>
        <translation>Andere Audiodateien</translation>
    </message>
    <message>
        <source>WavPack Files</source>
        <translation>WavPack-Dateien</translation>
    </message>
    <message>
        <source>AIFF Files</source>
        <translation>AIFF-Dateien</translation>
    </message>
    <message>
        <source>%1 output file(s) in %2 have lost their source. Remove them?</source>
        <translation>%1 Ausgabedatei(en) in %2 haben ihre Quelle verloren. Entfernen?</translation>
    </message>
</context>
<context>
    <name>deraz::TMinimodeDlg</name>
    <message>
        <source>Converting file:</source>
        <translation>Konvertiere Datei:</translation>
    </message>
    <message>
        <source>Return to normal mode.</source>
        <translation>Zurück zum Normalmodus.</translation>
    </message>
</context>
<context>
    <name>deraz::TProfilesMenu</name>
    <message>
        <source>Profiles</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>Use the output format and options of this profile.</source>
        <translation>Ausgabeformat und Optionen dieses Profils verwenden.</translation>
    </message>
    <message>
        <source>Save current choice as profile...</source>
        <translation>Aktuelle Auswahl als Profil speichern...</translation>
    </message>
    <message>
        <source>Keep the output format and options under a name.</source>
        <translation>Ausgabeformat und Optionen unter einem Namen speichern.</translation>
    </message>
    <message>
        <source>Save profile</source>
        <translation>Profil speichern</translation>
    </message>
    <message>
        <source>Profile name:</source>
        <translation>Profilname:</translation>
    </message>
</context>
</TS>
