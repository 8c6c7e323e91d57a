// The Debian package, built by cpack from this build: what it holds, what the
// package tools say of it, the program unpacked into a scratch root, its
// options documented alike, and the bus starting it through the service file.
#include "annotate/ToolRegistry.h"
#include "app/SnapshotService.h"
#include "config/AppConfig.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <csignal>
#include <xcb/xcb.h>

using namespace TestSupport;

namespace {

const QString kServiceFile =
    QStringLiteral("usr/share/dbus-1/services/org.valdo_software.Vireoscape.service");
const QString kManPage = QStringLiteral("usr/share/man/man1/vireoscape.1.gz");
const QString kCompletion = QStringLiteral("usr/share/bash-completion/completions/vireoscape");
const QString kMetainfo = QStringLiteral("usr/share/metainfo/org.valdo_software.Vireoscape.metainfo.xml");
const QString kDesktopEntry = QStringLiteral("usr/share/applications/vireoscape.desktop");
const QString kChangelog = QStringLiteral("usr/share/doc/vireoscape/changelog.gz");
const QString kScalableIcon = QStringLiteral("usr/share/icons/hicolor/scalable/apps/vireoscape.svg");
const int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};

QString iconPath(int size)
{
    return QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/vireoscape.png").arg(size);
}

QString text(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes);
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The top-level windows the X server maps (decimal ids, as xdotool names
// them), in order, from the moment the watch is made.
class MapWatch
{
public:
    MapWatch() : m_connection(xcb_connect(nullptr, nullptr))
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
        // Once this is answered, the server sends every later map.
        free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    ~MapWatch() { xcb_disconnect(m_connection); }
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;
    const QStringList& mapped()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY)
                m_mapped << QString::number(reinterpret_cast<xcb_map_notify_event_t*>(event)->window);
            free(event);
        }
        return m_mapped;
    }

private:
    xcb_connection_t* m_connection;
    QStringList m_mapped;
};

// The options named in a line: "-h, --help  show ..." and ".BR \-h , \-\-help"
// both give -h and --help, sorted and joined; values (FILE, MS) are not options.
QSet<QString> optionsIn(const QString& line)
{
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])(--?[A-Za-z0-9][-A-Za-z0-9]*)"));
    QSet<QString> found;
    for (const QRegularExpressionMatch& m : option.globalMatch(line))
        found << m.captured(1);
    return found;
}

QString optionList(QSet<QString> options)
{
    QStringList list(options.begin(), options.end());
    list.sort();
    return list.join(QLatin1Char(' '));
}

// The terms of a manual page section's list (the lines after a .TP), without
// the roff markup.
QStringList manTerms(const QString& page, const QString& section)
{
    QStringList terms;
    bool inside = false;
    const QStringList lines = page.split(QLatin1Char('\n'));
    for (int i = 0; i + 1 < lines.size(); ++i) {
        if (lines.at(i).startsWith(QLatin1String(".SH ")))
            inside = lines.at(i).mid(4).remove(QLatin1Char('"')).trimmed() == section;
        if (!inside || lines.at(i) != QLatin1String(".TP"))
            continue;
        QString term = lines.at(i + 1);
        term.remove(QRegularExpression(QStringLiteral("^\\.(BR|B|I|IR|RB)\\s+")));
        term.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
        terms << term.replace(QLatin1String("\\-"), QLatin1String("-"));
    }
    return terms;
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void contents();
    void control_data();
    void control();
    void checkers_data();
    void checkers();
    void icons_data();
    void icons();
    void oneShotFromTheScratchRoot();
    void optionsDocumented();
    void settingsKeysInTheManual();
    void toolKeysInTheManual();
    void busStartsTheProgram_data();
    void busStartsTheProgram();
    void cleanupTestCase();

private:
    QString rooted(const QString& path) const { return m_root.filePath(path); }
    QString program() const { return rooted(QStringLiteral("usr/bin/vireoscape")); }
    QString gunzipped(const QString& path) const
    {
        return text(runTool(QStringLiteral("gzip"), {QStringLiteral("-dc"), rooted(path)}).out);
    }
    bool startBus();

    QTemporaryDir m_work;
    QDir m_root;
    QString m_deb;
    QMap<QString, QString> m_listing; // path -> "permissions owner"
    QProcess m_bus;
};

void TestPackage::initTestCase()
{
    QVERIFY(m_work.isValid());
    const QString config = qEnvironmentVariable("VS_CPACK_CONFIG");
    QVERIFY2(QFileInfo::exists(config), "VS_CPACK_CONFIG names no cpack configuration");
    const QString out = m_work.filePath(QStringLiteral("out"));
    const ToolResult cpack =
        runTool(QStringLiteral("cpack"), {"-G", "DEB", "--config", config, "-B", out}, 240000);
    QVERIFY2(cpack.exitCode == 0, cpack.out + cpack.err);
    const QString arch = text(runTool(QStringLiteral("dpkg"), {"--print-architecture"}).out).trimmed();
    const QString name = QStringLiteral("vireoscape_%1_%2.deb").arg(QStringLiteral(VIREOSCAPE_VERSION), arch);
    QCOMPARE(QDir(out).entryList({QStringLiteral("*.deb")}), QStringList{name});
    m_deb = QDir(out).filePath(name);
    const ToolResult listing = runTool(QStringLiteral("dpkg-deb"), {"-c", m_deb});
    QCOMPARE(listing.exitCode, 0);
    for (const QString& line : text(listing.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QRegularExpression(QStringLiteral("\\s+")));
        QVERIFY2(f.size() == 6, qPrintable(line));
        m_listing.insert(f.at(5).mid(2), f.at(0) + QLatin1Char(' ') + f.at(1)); // "./usr/..." -> "usr/..."
    }
    m_root.setPath(m_work.filePath(QStringLiteral("root")));
    QCOMPARE(runTool(QStringLiteral("dpkg-deb"), {"-x", m_deb, m_root.path()}).exitCode, 0);
}

// Exactly these files with their modes (no tests, benchmarks or build
// leftovers), and folders as dpkg makes them.
void TestPackage::contents()
{
    const QString data = QStringLiteral("-rw-r--r-- root/root");
    QMap<QString, QString> expected{
        {QStringLiteral("usr/bin/vireoscape"), QStringLiteral("-rwxr-xr-x root/root")},
        {kDesktopEntry, data},
        {kScalableIcon, data},
        {kMetainfo, data},
        {kManPage, data},
        {kCompletion, data},
        {kServiceFile, data},
        {QStringLiteral("usr/share/doc/vireoscape/copyright"), data},
        {kChangelog, data}};
    for (const int size : kIconSizes)
        expected.insert(iconPath(size), data);
    QMap<QString, QString> files;
    for (auto it = m_listing.cbegin(); it != m_listing.cend(); ++it) {
        if (it.value().startsWith(QLatin1Char('d')))
            QCOMPARE(it.value(), QStringLiteral("drwxr-xr-x root/root"));
        else
            files.insert(it.key(), it.value());
    }
    QCOMPARE(files, expected);
}

void TestPackage::control_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected"); // a regular expression
    const auto field = [this](const char* name) {
        return text(runTool(QStringLiteral("dpkg-deb"), {"-f", m_deb, QLatin1String(name)}).out).trimmed();
    };
    const QString version = QRegularExpression::escape(QStringLiteral(VIREOSCAPE_VERSION));
    QTest::newRow("package name") << field("Package") << "vireoscape";
    QTest::newRow("version") << field("Version") << version;
    QTest::newRow("section") << field("Section") << "graphics";
    QTest::newRow("maintainer with an address") << field("Maintainer") << ".+ <[^@ ]+@[^@ ]+>";
    // From dpkg-shlibdeps, with the build's versions; the platform plugin is
    // loaded at run time.
    const QString depends = field("Depends");
    QTest::newRow("depends on Qt widgets") << depends << ".*\\blibqt6widgets6 \\(>= [0-9.]+\\).*";
    QTest::newRow("depends on the C library") << depends << ".*\\blibc6 \\(>= [0-9.]+\\).*";
    QTest::newRow("depends on xcb") << depends << ".*\\blibxcb1\\b.*";
    QTest::newRow("depends on the platform plugin") << depends << ".*\\bqt6-qpa-plugins\\b.*";
    const QString changelog = m_work.filePath(QStringLiteral("changelog"));
    QFile file(changelog);
    if (file.open(QIODevice::WriteOnly))
        file.write(gunzipped(kChangelog).toUtf8());
    file.close();
    QTest::newRow("changelog's version")
        << text(runTool(QStringLiteral("dpkg-parsechangelog"), {"-l", changelog, "-S", "Version"}).out)
               .trimmed()
        << version;
    // The first release listed is the newest.
    QXmlStreamReader xml(fileBytes(rooted(kMetainfo)));
    QString release;
    while (!xml.atEnd() && release.isEmpty()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("release"))
            release = xml.attributes().value(QLatin1String("version")).toString();
    }
    QTest::newRow("AppStream's newest release") << release << version;
    const ToolResult said = runTool(program(), {QStringLiteral("--version")}, 10000);
    QTest::newRow("the unpacked program's --version")
        << text(said.out + said.err) << "vireoscape " + version + "\n";
    QTest::newRow("bus service runs the installed program")
        << text(fileBytes(rooted(kServiceFile)))
        << "\\[D-BUS Service\\]\nName=org\\.valdo_software\\.Vireoscape\nExec=/usr/bin/vireoscape --tray\n";
}

void TestPackage::control()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(expected)).match(actual).hasMatch(),
             qPrintable(actual));
}

void TestPackage::checkers_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<bool>("quietOut"); // the channel that says nothing when all is well: out, else err
    // Without --info lintian shows only what is wrong.
    QTest::newRow("lintian") << "lintian" << QStringList{"--fail-on", "error,warning", m_deb} << QStringList()
                             << true;
    QTest::newRow("appstreamcli") << "appstreamcli" << QStringList{"validate", "--no-net", rooted(kMetainfo)}
                                  << QStringList() << false;
    // Hints too: more than one main category, for instance.
    QTest::newRow("desktop-file-validate")
        << "desktop-file-validate" << QStringList{rooted(kDesktopEntry)} << QStringList() << true;
    // As lintian reads manual pages: every warning of groff shows.
    QTest::newRow("man") << "man"
                         << QStringList{"--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", rooted(kManPage)}
                         << QStringList{"LC_ALL=C.UTF-8", "MANROFFSEQ=", "MANWIDTH=80"} << false;
}

void TestPackage::checkers()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(bool, quietOut);
    const ToolResult result = runTool(tool, arguments, 120000, QByteArray(), environment);
    QVERIFY2(result.started, qPrintable(tool + QLatin1String(" is not installed")));
    QVERIFY2(result.exitCode == 0, result.out + result.err);
    QVERIFY2((quietOut ? result.out : result.err).isEmpty(), quietOut ? result.out : result.err);
}

void TestPackage::icons_data()
{
    QTest::addColumn<int>("size");
    for (const int size : kIconSizes)
        QTest::addRow("%dx%d", size, size) << size;
    QTest::newRow("scalable") << 0;
}

// Each size is a rounded square, transparent in its corners, opaque inside,
// close to the big icon scaled; the scalable one draws the same.
void TestPackage::icons()
{
    QFETCH(int, size);
    QImage icon;
    if (size) {
        QVERIFY(icon.load(rooted(iconPath(size))));
    } else {
        // As GTK desktops draw it (librsvg); its edges may differ from QPainter's.
        const ToolResult svg = runTool(QStringLiteral("rsvg-convert"), {rooted(kScalableIcon)});
        QVERIFY2(svg.exitCode == 0 && icon.loadFromData(svg.out, "PNG"), svg.err);
        size = 128;
    }
    QCOMPARE(icon.size(), QSize(size, size));
    QVERIFY(icon.hasAlphaChannel());
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(icon.pixel(size - 1, size - 1)), 0);
    QCOMPARE(qAlpha(icon.pixel(size / 2, size / 4)), 255);
    QImage reference;
    QVERIFY(reference.load(rooted(iconPath(512))));
    reference = reference.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_ARGB32);
    // Small sizes are painted for their pixels: only few may differ much.
    const qint64 far = differingPixels(icon.convertToFormat(QImage::Format_ARGB32), reference, 96);
    QVERIFY2(far * 20 < qint64(size) * size, qPrintable(QString::number(far)));
}

// -s of the unpacked program writes the screen, all four channels.
void TestPackage::oneShotFromTheScratchRoot()
{
    const QImage pattern = makeTestPattern(referenceScreenshot().size(), 23);
    QVERIFY(setRootPicture(pattern));
    const QDir home(QDir::homePath());
    const QStringList before = home.entryList({QStringLiteral("Snapshot_*.png")});
    const ToolResult result = runTool(program(), {QStringLiteral("-s")}, 20000);
    QVERIFY2(result.exitCode == 0, result.err);
    QStringList after = home.entryList({QStringLiteral("Snapshot_*.png")});
    for (const QString& name : before)
        after.removeAll(name);
    QCOMPARE(after.size(), 1);
    QCOMPARE(differingPixels(QImage(home.filePath(after.first())).convertToFormat(QImage::Format_ARGB32),
                             pattern.convertToFormat(QImage::Format_ARGB32)),
             0);
}

// --help, the manual page and the completion offer the same options, and
// every option the parser compares an argument with is among them.
void TestPackage::optionsDocumented()
{
    QSet<QString> help;
    for (const QString& line :
         text(runTool(program(), {QStringLiteral("--help")}).out).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("  -")))
            help |= optionsIn(line.mid(2).section(QRegularExpression(QStringLiteral("\\s{2,}")), 0, 0));
    }
    QVERIFY(help.contains(QStringLiteral("--help")));
    QSet<QString> manual;
    for (const QString& term : manTerms(gunzipped(kManPage), QStringLiteral("OPTIONS")))
        manual |= optionsIn(term);
    QCOMPARE(optionList(manual), optionList(help));
    const ToolResult completion =
        runTool(QStringLiteral("bash"),
                {"-c",
                 "source /usr/share/bash-completion/bash_completion && source \"$1\" &&"
                 " fn=$(complete -p vireoscape | sed -n 's/.*-F \\([^ ]*\\).*/\\1/p') &&"
                 " COMP_WORDS=(vireoscape -) COMP_CWORD=1 COMP_LINE='vireoscape -' COMP_POINT=12 &&"
                 " $fn vireoscape - vireoscape && printf '%s\\n' \"${COMPREPLY[@]}\"",
                 "bash", rooted(kCompletion)});
    QVERIFY2(completion.exitCode == 0, completion.err);
    const QStringList offered = text(completion.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(optionList(QSet<QString>(offered.begin(), offered.end())), optionList(help));
    // The program's own options are "-x" or "--word"; Qt's ("-platform") are not listed.
    static const QRegularExpression literal(QStringLiteral("\"(-[A-Za-z0-9]|--[A-Za-z0-9][-A-Za-z0-9]*)\""));
    QSet<QString> compared;
    for (const QRegularExpressionMatch& m :
         literal.globalMatch(text(fileBytes(QStringLiteral(VS_SOURCE_DIR "/app/CommandLine.cpp")))))
        compared << m.captured(1);
    QVERIFY(compared.contains(QStringLiteral("--snapshot")));
    QVERIFY2(help.contains(compared), qPrintable(optionList(compared - help)));
}

// The manual's SETTINGS list the very keys the program writes.
void TestPackage::settingsKeysInTheManual()
{
    QSet<QString> written, documented;
    CAppConfig record = CAppConfig::defaults();
    CAppConfig::visit(record,
                      [&written](const char* key, auto&, const auto&) { written << QLatin1String(key); });
    for (const QString& term : manTerms(gunzipped(kManPage), QStringLiteral("SETTINGS")))
        documented << term.section(QLatin1Char(' '), 0, 0);
    QCOMPARE(optionList(documented), optionList(written));
}

// The manual's KEYS name each tool by the letter that chooses it, and no
// letter that chooses nothing: C, while picking, copies the colour instead.
void TestPackage::toolKeysInTheManual()
{
    const QString page = gunzipped(kManPage);
    const QStringList lines = page.split(QLatin1Char('\n'));
    const qsizetype keys = lines.indexOf(QStringLiteral(".SH KEYS"));
    QMap<QString, QString> documented;
    for (const QString& term : manTerms(page, QStringLiteral("KEYS"))) {
        if (term.size() == 1)
            documented[term] = lines.at(lines.indexOf(QStringLiteral(".B ") + term, keys) + 1);
    }
    QMap<QString, QString> tools{{QStringLiteral("C"), documented.value(QStringLiteral("C"))}};
    for (const ToolRow& row : toolRows()) {
        if (row.key)
            tools[QString(QLatin1Char(row.key))] =
                QString::fromLatin1(row.tip).section(QLatin1String(" ("), 0, 0);
    }
    QCOMPARE(documented, tools);
}

// A bus of the test's own whose service folder holds the package's service
// file, pointed at the unpacked program. Its address is known before it
// starts, so that the programs it starts find it as well.
bool TestPackage::startBus()
{
    QFile service(rooted(kServiceFile));
    QByteArray content = fileBytes(service.fileName());
    content.replace("Exec=/usr/bin/", "Exec=" + QFile::encodeName(rooted(QStringLiteral("usr/bin/"))));
    if (!service.open(QIODevice::WriteOnly | QIODevice::Truncate) || service.write(content) != content.size())
        return false;
    service.close();
    const QString address = QStringLiteral("unix:path=") + m_work.filePath(QStringLiteral("bus"));
    QFile config(m_work.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write(
        QStringLiteral("<busconfig><type>session</type><listen>%1</listen><servicedir>%2</servicedir>"
                       "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                       "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
            .arg(address, QFileInfo(service).absolutePath())
            .toUtf8());
    config.close();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    m_bus.start(QStringLiteral("dbus-daemon"),
                {"--nofork", "--print-address=1", QStringLiteral("--config-file=") + config.fileName()});
    return m_bus.waitForStarted() && m_bus.waitForReadyRead(5000);
}

void TestPackage::busStartsTheProgram_data()
{
    QTest::addColumn<QString>("call"); // a method of the service, or the program's option
    QTest::addColumn<bool>("snapshot");
    QTest::newRow("StartSnapshot") << "StartSnapshot" << true;
    QTest::newRow("ShowMainWindow") << "ShowMainWindow" << false;
    QTest::newRow("vireoscape --snapshot") << "--snapshot" << true;
}

// A call to the service when no instance runs starts one, which does what it
// was asked and stays: a snapshot with the main window never shown before
// it, or the main window.
void TestPackage::busStartsTheProgram()
{
    QFETCH(QString, call);
    QFETCH(bool, snapshot);
    if (m_bus.state() == QProcess::NotRunning)
        QVERIFY2(startBus(), "dbus-daemon did not start");
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    const QString name = QLatin1String(CSnapshotService::kServiceName);
    QVERIFY(!bus->isServiceRegistered(name));
    MapWatch maps;
    QProcess asking;
    const auto stopAsking = qScopeGuard([&asking] {
        asking.kill();
        asking.waitForFinished(2000);
    });
    if (call.startsWith(QLatin1Char('-'))) {
        // The program asks the bus, which has no instance to give it, and so
        // becomes the instance.
        asking.setProcessChannelMode(QProcess::ForwardedChannels);
        asking.start(program(), {call});
    } else {
        const QDBusMessage reply = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(name, QLatin1String(CSnapshotService::kObjectPath), name, call),
            QDBus::Block, 20000);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
    }
    QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(name), 10000);
    const uint pid = bus->servicePid(name);
    QVERIFY(pid > 0);
    const auto stop = qScopeGuard([pid, bus, name] {
        ::kill(pid_t(pid), SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(!bus->isServiceRegistered(name), 10000);
    });
    const QString mainWindow = QStringLiteral("^Vireoscape$");
    const QString view = QStringLiteral("^Draw View$");
    if (!snapshot) {
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(mainWindow).size(), 1, 10000);
        QVERIFY(visibleWindows(view).isEmpty());
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(view).size(), 1, 10000);
    const QString viewId = visibleWindows(view).first();
    QVERIFY(visibleWindows(mainWindow).isEmpty());
    // Escape brings the main window back; the program runs on.
    runXdotool(QStringLiteral("key --window %1 Escape").arg(viewId));
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(mainWindow).size(), 1, 5000);
    QVERIFY(visibleWindows(view).isEmpty());
    QCOMPARE(bus->servicePid(name).value(), pid);
    // The view was mapped once, and the main window only after it.
    const QStringList& mapped = maps.mapped();
    const QString mainId = visibleWindows(mainWindow).first();
    QCOMPARE(mapped.count(viewId), 1);
    QVERIFY2(mapped.contains(mainId) && mapped.indexOf(viewId) < mapped.indexOf(mainId),
             qPrintable(mapped.join(QLatin1Char(' '))));
}

void TestPackage::cleanupTestCase()
{
    m_bus.terminate();
    m_bus.waitForFinished(3000);
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
