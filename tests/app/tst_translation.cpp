// The German translation: every message of it is finished, and under a
// German locale the tray menu, the options dialog and --help speak German,
// under LANG=C the program's own English. The shown texts are read in a
// child process (this test run again), as the locale is read at start.
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"
#include "options/OptionsDialog.h"

#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <cstdio>

namespace {

const char kShowTexts[] = "VS_SHOW_TEXTS";

QProcessEnvironment withLocale(const QString& lang)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("LANG"), lang);
    return env;
}

QString run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env)
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(program, arguments);
    if (!child.waitForFinished(30000))
        return QStringLiteral("(no end)");
    return QString::fromUtf8(child.readAllStandardOutput());
}

// The child's part: the texts a user sees first, one a line.
int printShownTexts(int argc, char** argv)
{
    QApplication app(argc, argv);
    initVireoscapeResources();
    installTranslations();
    setApplicationIdentity();
    AppConfig = CAppConfig::defaults();
    QStringList texts;
    {
        Vireoscape window;
        for (const QAction* entry : window.trayMenu()->actions()) {
            if (!entry->isSeparator())
                texts << entry->text().section(QLatin1Char('\t'), 0, 0);
        }
    }
    COptionsDialog dialog;
    texts << dialog.windowTitle();
    const QListWidget* pages = dialog.findChild<QListWidget*>();
    dialog.show();
    QCoreApplication::processEvents();
    for (int i = 0; pages && i < pages->count(); ++i) {
        // Each name whole in the list, which needs no scrolling.
        const QRect entry = pages->visualItemRect(pages->item(i));
        const bool whole = pages->viewport()->rect().contains(entry) &&
                           entry.width() >= pages->fontMetrics().horizontalAdvance(pages->item(i)->text());
        texts << pages->item(i)->text() +
                     (whole && !pages->horizontalScrollBar()->isVisible() ? "" : " (cut)");
    }
    // Texts of the General and the About page, whose classes are no QObject of their own.
    for (const char* name : {"autoRunCheckBox", "noticeLabel"}) {
        const QWidget* shown = dialog.findChild<QWidget*>(QLatin1String(name));
        texts << (shown ? shown->property("text").toString() : QString());
    }
    std::fputs(qUtf8Printable(texts.join(QLatin1Char('\n')) + QLatin1Char('\n')), stdout);
    return 0;
}

} // namespace

class TestTranslation : public QObject
{
    Q_OBJECT
private slots:
    void everyMessageTranslated();
    void shownTexts_data();
    void shownTexts();
};

void TestTranslation::everyMessageTranslated()
{
    // The file brought up to date with the code as it stands (in a copy): a
    // text added to the code since the last translation is unfinished there.
    QTemporaryDir scratch;
    const QString ts = scratch.filePath(QStringLiteral("vireoscape_de.ts"));
    QVERIFY(QFile::copy(QStringLiteral(VS_GERMAN_TS), ts));
    QFile::setPermissions(ts, QFile::ReadOwner | QFile::WriteOwner);
    const QString lupdate =
        QStandardPaths::findExecutable(QStringLiteral("lupdate"), {QStringLiteral("/usr/lib/qt6/bin")});
    QVERIFY2(!lupdate.isEmpty(), "lupdate (qt6-l10n-tools) is not installed");
    QProcess update;
    update.setWorkingDirectory(QStringLiteral(VS_SOURCE_DIR));
    update.start(lupdate, {"-no-obsolete", "-locations", "none", "app", "capture", "annotate", "options",
                           "output", "pin", "ocr", "config", "platform", "-ts", ts});
    QVERIFY(update.waitForFinished(120000));
    QCOMPARE(update.exitCode(), 0);
    QFile file(ts);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    int messages = 0;
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
            ++messages;
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            QVERIFY2(type.isEmpty(), qPrintable(type + QLatin1String(": ") + source));
            QVERIFY2(!text.trimmed().isEmpty(), qPrintable(QLatin1String("empty: ") + source));
            // The placeholders of the English text are all in the German one.
            for (int n = 1; n <= 9; ++n) {
                const QString mark = QLatin1Char('%') + QString::number(n);
                QVERIFY2(source.contains(mark) == text.contains(mark),
                         qPrintable(mark + QLatin1String(": ") + source));
            }
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY2(messages > 150, qPrintable(QString::number(messages)));
}

void TestTranslation::shownTexts_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QStringList>("menuAndOptions");
    QTest::addColumn<QString>("helpLine");
    QTest::newRow("German") << "de_DE.UTF-8"
                            << QStringList{"Schnappschuss starten",
                                           "Hauptfenster anzeigen",
                                           "Optionen…",
                                           "Alle angehefteten Bilder schließen",
                                           "Beenden",
                                           "Einstellungen",
                                           "Allgemein",
                                           "Schnappschuss",
                                           "Tastenkürzel",
                                           "Über",
                                           "Beim Systemstart automatisch starten",
                                           "Vireoscape ist Eigentum von"}
                            << "  -h, --help            diese Hilfe anzeigen und enden";
    QTest::newRow("C") << "C"
                       << QStringList{"Start snapshot",
                                      "Show Main Window",
                                      "Option...",
                                      "Close all pins",
                                      "Exit",
                                      "Config Dialog",
                                      "General",
                                      "Snapshot",
                                      "Shortcut",
                                      "About",
                                      "Auto run when start up",
                                      "Vireoscape is the property of"}
                       << "  -h, --help            show this help and end";
}

void TestTranslation::shownTexts()
{
    QFETCH(QString, lang);
    QFETCH(QStringList, menuAndOptions);
    QFETCH(QString, helpLine);
    QProcessEnvironment env = withLocale(lang);
    const QString help = run(qEnvironmentVariable("VIREOSCAPE_BIN"), {QStringLiteral("--help")}, env);
    QVERIFY2(help.split(QLatin1Char('\n')).contains(helpLine), qPrintable(help));
    for (const QString& line : help.split(QLatin1Char('\n'))) // within a terminal's 80 columns
        QVERIFY2(line.size() <= 80, qPrintable(line));
    env.insert(QLatin1String(kShowTexts), QStringLiteral("1"));
    const QString shown = run(QCoreApplication::applicationFilePath(), {}, env);
    QCOMPARE(shown.split(QLatin1Char('\n'), Qt::SkipEmptyParts), menuAndOptions);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kShowTexts))
        return printShownTexts(argc, argv);
    QApplication app(argc, argv);
    TestTranslation test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_translation.moc"
