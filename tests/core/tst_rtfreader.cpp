#include "rtfreader.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QStringDecoder>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

namespace {

// The text as read, with line separators and no-break spaces kept, and a newline between blocks.
QString plainText(const QByteArray &rtf)
{
    QTextDocument document;
    RtfReader::read(rtf, &document);
    return document.toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

// The character format of the first occurrence of text.
QTextCharFormat formatOf(const QTextDocument &document, const QString &text)
{
    QTextCursor found = document.find(text);
    found.setPosition(found.selectionStart() + 1);
    return found.charFormat();
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    void writersSamples_data()
    {
        QTest::addColumn<QString>("file");
        for (const char *file : {"wordpad-style.rtf", "wordprocessor-style.rtf",
                                 "abiword-export.rtf", "pandoc-export.rtf"})
            QTest::newRow(file) << file;
    }

    void writersSamples()
    {
        QFETCH(QString, file);
        // Pandoc spells lists out; WordPad's sample has no Central European text.
        const bool realLists = !file.startsWith("pandoc");
        QTextDocument doc;
        QVERIFY(RtfReader::readFile(QStringLiteral(CORVANTA_HELP_SAMPLES "/") + file, &doc));
        const QString text = doc.toPlainText();

        // Nothing from the tables, style sheets, document information or pictures leaks out.
        for (const char *hidden : {"Calibri", "Liberation", "Normal", "heading", "Operator", "504b",
                                   "0100", "Symbol", "Sample", "{", "}", "\\"})
            QVERIFY2(!text.contains(QLatin1String(hidden)), hidden);

        QCOMPARE(doc.begin().text(), QStringLiteral("Bout day"));
        QVERIFY(formatOf(doc, "Bout day").fontPointSize() > formatOf(doc, "Plain").fontPointSize());
        QVERIFY(formatOf(doc, "bold words").fontWeight() >= QFont::Bold);
        QCOMPARE(formatOf(doc, "Plain text").fontWeight(), int(QFont::Normal));
        QVERIFY(formatOf(doc, "italic words").fontItalic()
                && !formatOf(doc, "bold words").fontItalic());
        QVERIFY(formatOf(doc, "underlined").fontUnderline() && !formatOf(doc, ".").fontUnderline());

        for (const char *written : {"Café crème", "5 €", "Ωmega"})
            QVERIFY2(text.contains(QString::fromUtf8(written)), written);
        if (!file.startsWith("wordpad"))
            QVERIFY(text.contains(QStringLiteral("Zażółć")));

        const QTextBlock first = doc.find("First bullet").block();
        const QTextBlock second = doc.find("Second bullet").block();
        const QTextBlock stepTwo = doc.find("Step two").block();
        if (realLists) {
            // The writer's spelled-out marker is dropped: the list draws its own.
            QCOMPARE(first.text(), QStringLiteral("First bullet"));
            QVERIFY(first.textList() && stepTwo.textList());
            QCOMPARE(first.textList(), second.textList());
            QCOMPARE(first.textList()->format().style(), QTextListFormat::ListDisc);
            QCOMPARE(stepTwo.textList()->format().style(), QTextListFormat::ListDecimal);
            QCOMPARE(stepTwo.textList()->itemNumber(stepTwo), 1);
            QVERIFY(!doc.begin().textList());
        } else {
            // This writer spells lists out as indented paragraphs.
            QVERIFY(doc.find(QStringLiteral("•\tFirst bullet")).block().isValid());
            QVERIFY(doc.find("2.\tStep two").block().blockFormat().leftMargin() > 0);
        }
    }

    void characters()
    {
        const std::pair<QByteArray, QString> rows[] = {
                {"\\'e9\\'80\\'93q\\'94\\'85\\'96\\'97", "é€“q”…–—"}, // Windows-1252 by default
                {"caf\xe9", "café"},
                {"\\'e9abc", "éabc"}, // two hex digits, however many follow
                // Unicode with its fallback characters skipped: one by default, as \uc says, within
                // its group, and no further than the group.
                {"\\u8212\\'97x", "—x"},
                {"\\uc2\\u8364 EUx", "€x"},
                {"\\uc0\\u937 mega", "Ωmega"},
                {"\\u-3913?", QString(QChar(0xF0B7))},
                {"{\\uc0\\u945 }\\u946 ?", "αβ"},
                {"\\uc3\\u947 {b}c", "γbc"},
                {"\\{a\\}\\\\", "{a}\\"},
                {"a\\foo123 b\\bar c\\zz-5 d", "abcd"},
                {"a{\\*\\mystery hidden {\\b more}}b", "ab"},
                {"a{\\info{\\title t}}{\\stylesheet{\\s1 x;}}{\\pict\\pngblip 89504e47}b", "ab"},
                {"{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}", "link"},
                {"a{\\*\\blob\\bin4 }}{{}b", "ab"},
                {"a\r\nb\nc", "abc"},
                {"a\\\nb", "a\nb"},
                {"a\\line b", QStringLiteral(u"a\u2028b")},
        };
        for (const auto &[body, expected] : rows)
            QCOMPARE(plainText("{\\rtf1\\ansi " + body + "}"), expected);

        // Not a document, or what follows its closing brace.
        QTextDocument doc;
        doc.setPlainText("old");
        QVERIFY(!RtfReader::read("plain words", &doc));
        QVERIFY(doc.isEmpty());
        QVERIFY(!RtfReader::readFile("/nonexistent/corvanta.rtf", &doc));
        QCOMPARE(plainText("  {\\rtf1 a}b{c}"), QStringLiteral("a"));

        if (!QStringDecoder("windows-1251").isValid())
            QSKIP("This Qt has no Windows-1251 decoder");
        // The document's code page, then a font whose character set overrides it.
        QCOMPARE(plainText("{\\rtf1\\ansi\\ansicpg1251 \\'c4\\'e0}"), QStringLiteral("Да"));
        // A font of the ANSI set reads in the document's code page, whichever it is.
        QCOMPARE(plainText("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 "
                           "Arial;}}\\f0\\'c4\\'e0}"),
                 QStringLiteral("Да"));
        QCOMPARE(
                plainText(
                        "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset238 Arial "
                        "CE;}}\\f0\\'b3{\\f1\\'b3}}"),
                QStringLiteral("³ł"));
        // With no \deff, \plain goes back to the first font.
        QCOMPARE(plainText("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset238 Arial CE;}}"
                           "\\f1\\'b3\\plain\\'b3}"),
                 QStringLiteral("ł³"));
        // Thai: Windows' own code page, with the euro sign and the quotation marks.
        QCOMPARE(plainText("{\\rtf1\\ansi\\ansicpg874 \\'80\\'93\\'e0}"), QString::fromUtf8("€“เ"));
        QCOMPARE(plainText("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset222 Tahoma;}}\\f0\\'e0}"),
                 QString::fromUtf8("เ"));
        // Each font character set reads its bytes in its own code page, the ANSI and symbol sets
        // (0, 2) in the document's.
        const QByteArray letters = "\\'c3\\'d2\\'e3\\'f0\\'c4\\'e0\\'b0\\'a1\\'80\\'9f";
        const QByteArray pairs = "\\'c4\\'e0\\'b0\\'a1";
        const std::tuple<int, const char *, QByteArray> charsets[] = {
                {77, "macintosh", letters},     {128, "Shift_JIS", pairs},
                {129, "EUC-KR", pairs},         {134, "GBK", pairs},
                {136, "Big5", pairs},           {161, "windows-1253", letters},
                {162, "windows-1254", letters}, {163, "windows-1258", letters},
                {177, "windows-1255", letters}, {178, "windows-1256", letters},
                {186, "windows-1257", letters}, {204, "windows-1251", letters},
                {222, "windows-874", letters},  {238, "windows-1250", letters},
                {255, "IBM437", letters},       {0, "windows-1252", letters},
                {2, "windows-1252", letters},
        };
        for (const auto &[charset, codec, bytes] : charsets) {
            QStringDecoder decoder(codec);
            if (!decoder.isValid())
                continue;
            const QByteArray raw = QByteArray::fromHex(QByteArray(bytes).replace("\\'", ""));
            QCOMPARE(plainText("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset"
                               + QByteArray::number(charset) + " Font;}}\\f0 " + bytes + "}"),
                     decoder.decode(raw));
        }
    }

    void formatting()
    {
        // The colour table: a component left out is zero, not the last colour's; one above 255 is
        // 255.
        QTextDocument doc;
        RtfReader::read(
                "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
                "{\\colortbl;\\red999\\green0\\blue0;\\blue256;}"
                "\\fs20 plain {\\cf1 red}{\\cf2\\b blue}{\\cf0 auto}{\\cf3 missing}{\\f1 mono}"
                "{\\highlight1 marked}{\\fs99999999999 huge}{\\fs3276 largest}{\\fs0 none}{\\fs1 "
                "least}{\\fs2 one}{\\fs3 odd}{\\super raised}{\\sub lowered}{\\super\\nosupersub "
                "level}{\\strike struck}"
                "{\\strike\\strike0 whole}\\plain after}",
                &doc);
        QCOMPARE(formatOf(doc, "plain").fontPointSize(), 10.0);
        QCOMPARE(formatOf(doc, "red").foreground().color(), QColor(Qt::red));
        QCOMPARE(formatOf(doc, "blue").foreground().color(), QColor(Qt::blue));
        QVERIFY(formatOf(doc, "blue").fontWeight() >= QFont::Bold);
        QVERIFY(!formatOf(doc, "auto").hasProperty(QTextFormat::ForegroundBrush));
        QVERIFY(!formatOf(doc, "missing").hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(formatOf(doc, "marked").background().color(), QColor(Qt::red));
        QVERIFY(!formatOf(doc, "marked").hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(formatOf(doc, "mono").fontFamilies().toStringList(), QStringList {"Courier New"});
        QCOMPARE(formatOf(doc, "plain").fontFamilies().toStringList(), QStringList {"Arial"});
        // Half points, from one point up to 1638.
        const std::pair<const char *, double> sizes[]
                = {{"huge", 1638}, {"largest", 1638}, {"none", 1},
                   {"least", 1},   {"one", 1},        {"odd", 1.5}};
        for (const auto &[text, points] : sizes)
            QCOMPARE(formatOf(doc, text).fontPointSize(), points);

        QCOMPARE(formatOf(doc, "raised").verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QCOMPARE(formatOf(doc, "lowered").verticalAlignment(), QTextCharFormat::AlignSubScript);
        QCOMPARE(formatOf(doc, "level").verticalAlignment(), QTextCharFormat::AlignNormal);
        QVERIFY(formatOf(doc, "struck").fontStrikeOut() && !formatOf(doc, "whole").fontStrikeOut());
        QCOMPARE(formatOf(doc, "after").fontPointSize(), 12.0);
        QCOMPARE(formatOf(doc, "after").fontWeight(), int(QFont::Normal));

        // A font name keeps its first 256 bytes; the font table its first 1024 fonts, the colour
        // table its first 1024 entries.
        QByteArray fonts;
        for (int font = 1; font <= 1024; ++font)
            fonts += "{\\f" + QByteArray::number(font) + " m;}";
        RtfReader::read("{\\rtf1{\\fonttbl{\\f0 " + QByteArray(300, 'n') + ";}" + fonts
                                + "}{\\colortbl" + QByteArray("\\red255;").repeated(1025)
                                + "}\\f0{\\cf1023 last}{\\cf1024 over}{\\f1023 font}{\\f1024 "
                                  "extra}}",
                        &doc);
        QCOMPARE(formatOf(doc, "last").fontFamilies().toStringList(),
                 QStringList {QString(256, u'n')});
        QCOMPARE(formatOf(doc, "last").foreground().color(), QColor(Qt::red));
        QVERIFY(!formatOf(doc, "over").hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(formatOf(doc, "font").fontFamilies().toStringList(), QStringList {"m"});
        QVERIFY(!formatOf(doc, "extra").hasProperty(QTextFormat::FontFamilies));

        // A font without a number is font 0; text before any font is chosen, with no default
        // font named, has none.
        RtfReader::read("{\\rtf1{\\fonttbl{Unnumbered;}}bare \\f0 chosen}", &doc);
        QVERIFY(!formatOf(doc, "bare").hasProperty(QTextFormat::FontFamilies));
        QCOMPARE(formatOf(doc, "chosen").fontFamilies().toStringList(), QStringList {"Unnumbered"});
    }

    void listsAndParagraphs()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1\\ansi \\pard\\qc centred\\par"
                        "\\pard\\li720\\fi-360 indented\\par"
                        " right\\qr\\par" // the last alignment before \par counts
                        "\\pard{\\pntext a.\\tab}\\li720 alpha\\par"
                        "\\pard\\ls1{\\listtext\\'b7\\tab} dot\\par"
                        "\\pard\\ls1\\ilvl1{\\listtext 1.\\tab} nested one\\par"
                        "\\ls1\\ilvl1{\\listtext 2.\\tab} nested two\\par"
                        "\\pard\\ls1\\ilvl0{\\listtext\\'b7\\tab} dot again\\par"
                        "\\pard after lists\\par"
                        "\\pard{\\*\\pn\\pnlvl2\\pndec\\pnindent360{\\pntxta.}} second level\\par"
                        "\\pard\\sb240\\sa120\\ri360 spaced\\par"
                        // Letters past z, capitals, and a word that numbers nothing.
                        "\\pard{\\pntext aa.\\tab} double\\par\\pard between\\par"
                        "\\pard{\\pntext AB)\\tab} capitals\\par\\pard between\\par"
                        "\\pard{\\pntext note\\tab} worded\\par"
                        // Nine levels at most, however deep a list claims to go.
                        "\\pard\\ls1\\ilvl12{\\listtext 1.\\tab} too deep\\par"
                        "\\pard{\\*\\pn\\pnlvl12\\pndec{\\pntxta.}} too deep again\\par}",
                        &doc);
        QCOMPARE(doc.blockCount(), 18); // the closing \par leaves no empty block behind
        const QTextBlockFormat centred = doc.find("centred").block().blockFormat();
        QCOMPARE(centred.alignment(), Qt::AlignHCenter);
        // Space on every side: none unless asked for, in twips when it is.
        QCOMPARE(std::tuple(centred.topMargin(), centred.bottomMargin(), centred.leftMargin(),
                            centred.rightMargin()),
                 std::tuple(0.0, 0.0, 0.0, 0.0));
        const QTextBlockFormat spaced = doc.find("spaced").block().blockFormat();
        QCOMPARE(std::tuple(spaced.topMargin(), spaced.bottomMargin(), spaced.rightMargin()),
                 std::tuple(16.0, 8.0, 24.0));
        QCOMPARE(doc.find("indented").block().blockFormat().leftMargin(), 48.0);
        QCOMPARE(doc.find("indented").block().blockFormat().textIndent(), -24.0);
        QCOMPARE(doc.find("right").block().blockFormat().alignment(), Qt::AlignRight);
        QTextList *alpha = doc.find("alpha").block().textList();
        QVERIFY(alpha);
        QCOMPARE(alpha->format().style(), QTextListFormat::ListLowerAlpha);
        const std::pair<const char *, QTextListFormat::Style> marked[]
                = {{"double", QTextListFormat::ListLowerAlpha},
                   {"capitals", QTextListFormat::ListUpperAlpha},
                   {"worded", QTextListFormat::ListDisc}};
        for (const auto &[text, style] : marked) {
            QTextList *list = doc.find(text).block().textList();
            QVERIFY2(list && list->format().style() == style, text);
        }

        const QTextBlock dot = doc.find(" dot").block();
        const QTextBlock one = doc.find(" nested one").block();
        const QTextBlock again = doc.find(" dot again").block();
        QVERIFY(dot.textList() && one.textList() && again.textList());
        QCOMPARE(one.textList(), doc.find(" nested two").block().textList());
        QCOMPARE(one.textList()->format().style(), QTextListFormat::ListDecimal);
        QCOMPARE(one.textList()->format().indent(), 2);
        QCOMPARE(again.textList(), dot.textList()); // back out of the nested list, same bullets
        QVERIFY(!doc.find("after lists").block().textList());
        // An old-style numbering's level is its own, whatever else its group says.
        QTextList *second = doc.find("second level").block().textList();
        QVERIFY(second);
        QCOMPARE(second->format().style(), QTextListFormat::ListDecimal);
        QCOMPARE(second->format().indent(), 2);
        for (const char *text : {" too deep", " too deep again"}) {
            QTextList *deep = doc.find(text).block().textList();
            QVERIFY2(deep && deep->format().indent() == 9, text);
        }
    }

    // A list's number or bullet is drawn at the size and on the baseline of its paragraph's text,
    // whatever the document's own font, and plain, whatever the emphasis of the first word.
    void listMarkersMatchTheirText()
    {
        for (const char *size : {"\\fs48", "\\fs16"}) {
            QTextDocument doc;
            doc.setDefaultFont(QFont("DejaVu Sans", 9));
            RtfReader::read(QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 DejaVu Sans;}}"
                                       "\\pard{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec"
                                       "{\\pntxta.}}\\fi-360\\li720")
                                    + size + " {\\b\\i\\ul\\strike 1.} 1.\\par}",
                            &doc);
            doc.setTextWidth(400);
            QImage page(400, int(doc.size().height()) + 1, QImage::Format_RGB32);
            page.fill(Qt::white);
            QPainter painter(&page);
            doc.drawContents(&painter);
            painter.end();

            // The ink of the marker, left of where the text starts, and of the text's plain "1.".
            const QTextBlock block = doc.begin();
            const int textStart
                    = int(block.layout()->position().x() + block.layout()->lineAt(0).x());
            QTextCursor plain = doc.find(" 1.");
            const int plainStart = int(block.layout()->position().x()
                                       + block.layout()->lineAt(0).cursorToX(
                                               plain.selectionStart() + 1 - block.position()));
            // Its rows, its width, how much of it there is and how far its top half leans right
            // of its bottom half.
            const auto ink = [&page](int from, int to) {
                int top = page.height(), bottom = -1, left = to, right = -1, dots = 0;
                for (int y = 0; y < page.height(); ++y) {
                    for (int x = from; x < to; ++x) {
                        if (qGray(page.pixel(x, y)) < 128) {
                            top = std::min(top, y);
                            bottom = y;
                            left = std::min(left, x);
                            right = std::max(right, x);
                            ++dots;
                        }
                    }
                }
                double halves[2] = {0, 0};
                int counts[2] = {0, 0};
                for (int y = top; y <= bottom; ++y) {
                    for (int x = from; x < to; ++x) {
                        if (qGray(page.pixel(x, y)) < 128) {
                            const int half = 2 * (y - top) > bottom - top ? 1 : 0;
                            halves[half] += x;
                            ++counts[half];
                        }
                    }
                }
                const double lean = counts[0] && counts[1]
                        ? halves[0] / counts[0] - halves[1] / counts[1]
                        : 0;
                return std::tuple(top, bottom, right - left, dots, lean);
            };
            const auto [markerTop, markerBottom, markerWidth, markerDots, markerLean]
                    = ink(0, textStart);
            const auto [textTop, textBottom, textWidth, textDots, textLean]
                    = ink(plainStart, page.width());
            QVERIFY2(markerBottom >= 0, size);
            QCOMPARE(markerTop, textTop);
            QCOMPARE(markerBottom, textBottom);
            QVERIFY2(std::abs(markerWidth - textWidth) <= 1, size);
            QVERIFY2(std::abs(markerDots - textDots) * 10 <= textDots, size);
            QVERIFY2(std::abs(markerLean - textLean) < 1, size);
        }
    }

    void hostileInput()
    {
        const int million = 1'000'000;
        const int deep = RtfReader::MaxDepth + 50;
        const std::pair<QByteArray, QString> rows[] = {
                {"{\\rtf1 start" + QByteArray(million, '{') + "deep", "startdeep"},
                {"{\\rtf1 a" + QByteArray(million, '{') + "\\b b" + QByteArray(million, '}') + "c}",
                 "abc"},
                {"{\\rtf1 " + QByteArray(deep, '{') + "x" + QByteArray(deep, '}') + "y}", "xy"},
                {"{\\rtf1 a" + QByteArray("{\\*\\x").repeated(million), "a"},
                {"{\\rtf1 a\\bin99999999999999999999 bcd}", "a"},
                {"{\\rtf1 a\\bin-5 b}", "ab"},
                {"{\\rtf1 \\fs-99999999999999\\li99999999999999999999\\f-7\\cf-3 x"
                 "\\u99999999999 ?{\\uc999999999\\u65 abcdefghijklmnopq}\\ansicpg-1 \\'e9}",
                 "x" + QString(QChar::ReplacementCharacter) + "Aqé"},
                {"{\\rtf1 a\\" + QByteArray(million, 'x') + " b}", "ab"},
                {"{\\rtf1 a\\fs" + QByteArray(million, '9') + " b}", "ab"},
                {"{\\rtf1 a}}}}}b", "a"},
                {"{\\rtf1 a\\'e", "a"},
                {"{\\rtf1 a \t", "a"}, // cut short: it ends where its text ends
                {"{\\rtf1{\\fonttbl{\\f0 Ari", ""},
                {"{\\rtf1{\\colortbl" + QByteArray(million, ';') + "}{\\cf5000 x}}", "x"},
                {QByteArray("{\\rtf1 a\0b}", 11), "ab"},
        };
        for (const auto &[rtf, readable] : rows)
            QCOMPARE(plainText(rtf), readable);

        // Bold in a group nested to the limit ends with it; one deeper, at the latest with the
        // group around it.
        for (const int depth : {RtfReader::MaxDepth, RtfReader::MaxDepth + 1}) {
            const int around = depth - 3; // the document's group and the two of "{{\\b x}y}"
            QTextDocument doc;
            RtfReader::read("{\\rtf1 " + QByteArray(around, '{') + "{{\\b x}y}z"
                                    + QByteArray(around, '}') + "}",
                            &doc);
            QCOMPARE(doc.toPlainText(), "xyz");
            QVERIFY(!formatOf(doc, "z").font().bold());
            if (depth == RtfReader::MaxDepth)
                QVERIFY(formatOf(doc, "x").font().bold() && !formatOf(doc, "y").font().bold());
        }

        // Whatever the input, the reader ends, and keeps what it could read.
        QFile file(QStringLiteral(CORVANTA_HELP_SAMPLES "/wordprocessor-style.rtf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        QTextDocument doc;
        for (qsizetype size = 0; size < whole.size(); size += 3)
            RtfReader::read(whole.left(size), &doc);
        // Cut just before the end, everything but the last groups is there.
        RtfReader::read(whole.left(whole.indexOf("{\\*\\themedata")), &doc);
        QVERIFY(doc.toPlainText().contains(QStringLiteral("Big text")));
    }
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
