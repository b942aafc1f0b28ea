#include "inbound/Links.h"
#include "inbound/ShownText.h"

#include <QTest>

using namespace inbound;

class tst_Links : public QObject
{
    Q_OBJECT
private slots:
    void findLinks_data()
    {
        QTest::addColumn<QString>("received"); // shown as the transcript shows it
        QTest::addColumn<QStringList>("links");
        const QString a = QStringLiteral("http://example.com/a");
        const QString b = QStringLiteral("https://example.com/b?c=1#d");

        QTest::newRow("at the start and at the end") << a + u' ' + b << QStringList{a, b};
        QTest::newRow("upper-case scheme") << QStringLiteral("HTTPS://Example.COM/A") << QStringList{QStringLiteral("HTTPS://Example.COM/A")};
        QTest::newRow("sentence punctuation left off") << QStringLiteral("see %1, %2. %1!? '%2';").arg(a, b) << QStringList{a, b, a, b};
        QTest::newRow("punctuation inside kept") << QStringLiteral("http://example.com:8080/a.b,c;d?e=f:g!") << QStringList{QStringLiteral("http://example.com:8080/a.b,c;d?e=f:g")};
        QTest::newRow("in parentheses and brackets, and an IPv6 host")
            << QStringLiteral("(see %1) [%1] [http://[::1]:8080/a]").arg(a) << QStringList{a, a, QStringLiteral("http://[::1]:8080/a")};
        QTest::newRow("Wikipedia title in parentheses, then a full stop")
            << QStringLiteral("(http://en.wikipedia.org/wiki/Mercury_(planet)).") << QStringList{QStringLiteral("http://en.wikipedia.org/wiki/Mercury_(planet)")};
        QTest::newRow("quotes and angle brackets") << QStringLiteral("\"%1\" <%1> \u201c%1\u201d").arg(a) << QStringList{a, a, a};
        QTest::newRow("non-ASCII host and path") << QStringLiteral("http://b\u00fccher.de/\u00fc") << QStringList{QStringLiteral("http://b\u00fccher.de/\u00fc")};

        // Past a stand-in the text is not what was received.
        QTest::newRow("stand-ins end it") << QStringLiteral("%1\ab %1\u2028b %1\u202egro.live \u2067%1\u2069").arg(a) << QStringList{a, a, a, a};
        // Invisible, so what opens would not be what is read.
        QTest::newRow("soft hyphen or zero-width space inside") << QStringLiteral("http://exa\u00admple.com/ %1\u200bb").arg(a) << QStringList{};
        QTest::newRow("host that QUrl would rewrite")
            << QStringLiteral("http://ex%61mple.com/ http://\uff45xample.com/ http://127.1/ http://e\u034fxample.com/") << QStringList{};
        QTest::newRow("what a tolerant QUrl would repair") << QStringLiteral("http://example.com/100% %1{b}").arg(a) << QStringList{a};

        QTest::newRow("other schemes") << QStringLiteral("ftp://example.com/ file:///etc/passwd javascript:alert(1) mailto:a@example.com data:text/html,x xhttp://example.com/")
                                       << QStringList{};
        QTest::newRow("scheme alone") << QStringLiteral("http:// https://. http:///a") << QStringList{};
    }
    void findLinks()
    {
        QFETCH(QString, received);
        QFETCH(QStringList, links);
        const QString shown = shownText(received, MaxLineShown);
        QStringList found;
        for (const Link &link : inbound::findLinks(shown))
            found << shown.sliced(link.position, link.length);
        QCOMPARE(found, links);
    }
};

QTEST_MAIN(tst_Links)
#include "tst_links.moc"
