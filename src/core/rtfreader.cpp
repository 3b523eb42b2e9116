#include "rtfreader.h"

#include "rtfvocabulary.h"
#include "twips.h"

#include <QColor>
#include <QFile>
#include <QHash>
#include <QList>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>
#include <array>
#include <cctype>
#include <limits>
#include <memory>
#include <optional>
#include <unordered_map>

namespace {

// Sizes and indents arrive in twips (1/1440 inch); the document lays out in pixels at 96 dpi.
constexpr double TwipsPerPixel = Twips::perPixel;
constexpr int MaxTwips = 31680; // 22 inches: anything wider is damage, not layout
constexpr int MaxFonts = 1024;
constexpr int MaxColors = 1024;
constexpr int MaxNameBytes = 256;
constexpr int MaxListLevels = 9;

enum class Destination : quint8 {
    Text,
    Skip,
    FontTable,
    ColorTable,
    ListMarker, // \pntext, \listtext: the number or bullet a writer spells out for old readers
    ListProps, // \pn: the numbering of the paragraph as WordPad describes it
};

struct CharProps
{
    int font = -1;
    int halfPoints = 24;
    int color = 0;
    int highlight = 0;
    int vertical = 0; // 1 superscript, -1 subscript
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool operator==(const CharProps &) const = default;
};

struct ParaProps
{
    Qt::Alignment alignment = Qt::AlignLeft;
    int left = 0;
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    QTextListFormat::Style list = QTextListFormat::ListStyleUndefined;
    int level = 0;
};

struct State
{
    Destination destination = Destination::Text;
    CharProps chars;
    ParaProps para;
    int fallback = 1; // \ucN: characters that follow each \uN for readers without Unicode
};

struct FontEntry
{
    QString family;
    int codePage = 0; // 0: the document's
};

int hexValue(char c)
{
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

int clampTwips(int value)
{
    return std::clamp(value, -MaxTwips, MaxTwips);
}

class Parser final
{
public:
    Parser(QByteArrayView data, QTextDocument *document)
        : m_data(data)
        , m_cursor(document)
    {
        m_stack.reserve(RtfReader::MaxDepth + 1);
        m_stack.append(State {});
    }

    void run();

private:
    State &top() { return m_stack.last(); }
    void openGroup();
    void closeGroup();
    void controlWord(QByteArrayView word, bool hasParam, int param);
    void controlSymbol(char symbol);
    void textByte(char byte);
    void unicode(int code);
    bool consumeFallback();
    void appendText(const QString &text);
    void decodeBytes();
    void flushText();
    void endParagraph();
    void formatParagraph();
    QTextCharFormat charFormat(const CharProps &props) const;
    QStringDecoder *decoderFor(int codePage);

    const QByteArrayView m_data;
    QTextCursor m_cursor;
    QList<State> m_stack;
    int m_overflow = 0; // groups opened beyond MaxDepth, matched but not tracked
    bool m_done = false;
    bool m_ignorable = false; // \* seen: an unknown destination that follows is skipped
    int m_skip = 0; // fallback characters of the last \uN still to drop

    QByteArray m_bytes; // code-page text not yet decoded
    QString m_text; // decoded text not yet in the document
    CharProps m_textProps;
    bool m_blockHasText = false;

    int m_codePage = 1252;
    int m_defaultFont = 0;
    std::unordered_map<int, std::unique_ptr<QStringDecoder>> m_decoders;
    QHash<int, FontEntry> m_fonts;
    int m_fontId = 0;
    int m_fontCodePage = 0;
    QByteArray m_fontName;
    QList<QColor> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;
    QString m_marker;
    QTextListFormat::Style m_markerStyle = QTextListFormat::ListStyleUndefined;
    QTextListFormat::Style m_pnStyle = QTextListFormat::ListDecimal;
    int m_pnLevel = 0;
    std::array<QTextList *, MaxListLevels> m_lists {};
};

void Parser::run()
{
    const char *p = m_data.constData();
    const char *const end = p + m_data.size();
    while (p < end && !m_done) {
        const char c = *p++;
        if (c == '{') {
            openGroup();
        } else if (c == '}') {
            closeGroup();
        } else if (c == '\\') {
            if (p == end)
                break;
            if (std::isalpha(static_cast<uchar>(*p))) {
                const char *const name = p;
                while (p < end && std::isalpha(static_cast<uchar>(*p)))
                    ++p;
                // Names longer than any real control word are truncated, not trusted.
                const QByteArrayView word(name, std::min<qsizetype>(p - name, 32));
                bool negative = false;
                if (p + 1 < end && *p == '-' && std::isdigit(static_cast<uchar>(p[1]))) {
                    negative = true;
                    ++p;
                }
                bool hasParam = false;
                qint64 value = 0;
                while (p < end && std::isdigit(static_cast<uchar>(*p))) {
                    hasParam = true;
                    if (value < 10'000'000'000) // keeps reading digits, stops growing
                        value = value * 10 + (*p - '0');
                    ++p;
                }
                if (p < end && *p == ' ')
                    ++p;
                const int param = static_cast<int>(std::clamp<qint64>(
                        negative ? -value : value, std::numeric_limits<int>::min(),
                        std::numeric_limits<int>::max()));
                if (word == "bin") {
                    // Raw binary data: skipped by count, never read as RTF.
                    p += std::clamp<qint64>(param, 0, end - p);
                    continue;
                }
                controlWord(word, hasParam, param);
            } else if (*p == '\'') {
                ++p;
                int byte = 0;
                int digits = 0;
                while (digits < 2 && p < end && std::isxdigit(static_cast<uchar>(*p))) {
                    byte = byte * 16 + hexValue(*p);
                    ++p;
                    ++digits;
                }
                if (digits > 0 && !consumeFallback())
                    textByte(static_cast<char>(byte));
            } else {
                controlSymbol(*p++);
            }
        } else if (c != '\r' && c != '\n') {
            if (!consumeFallback())
                textByte(c);
        }
    }
    decodeBytes();
    flushText();
    if (m_blockHasText) {
        formatParagraph(); // a last paragraph without its \par
    } else if (m_cursor.block().previous().isValid()) {
        // The closing \par of the last paragraph leaves an empty block behind.
        m_cursor.deletePreviousChar();
    }
}

bool Parser::consumeFallback()
{
    if (m_skip <= 0)
        return false;
    --m_skip;
    return true;
}

void Parser::openGroup()
{
    decodeBytes();
    m_skip = 0;
    if (m_stack.size() > RtfReader::MaxDepth) {
        ++m_overflow;
        return;
    }
    m_stack.append(m_stack.last());
}

void Parser::closeGroup()
{
    decodeBytes();
    m_skip = 0;
    m_ignorable = false;
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    const State closed = m_stack.takeLast();
    if (m_stack.size() <= 1) {
        m_done = true; // the document's own group is closed: whatever follows is not RTF
        return;
    }
    State &outer = top();
    if (outer.destination == Destination::Text) {
        if (closed.destination == Destination::ListMarker) {
            // Some writers put the marker before the \pard of its paragraph, others after;
            // the style is kept for the paragraph's \ls as well.
            m_markerStyle = RtfVocabulary::styleOfMarker(m_marker);
            outer.para.list = m_markerStyle;
        } else if (closed.destination == Destination::ListProps) {
            outer.para.list = m_pnStyle;
            outer.para.level = m_pnLevel;
        }
    }
}

void Parser::controlWord(QByteArrayView word, bool hasParam, int param)
{
    decodeBytes();
    if (consumeFallback())
        return;
    State &s = top();
    const bool ignorable = std::exchange(m_ignorable, false);
    if (s.destination == Destination::Skip)
        return;

    // Destinations first: they decide how everything else in the group is read.
    if (word == "fonttbl") {
        s.destination = Destination::FontTable;
        return;
    }
    if (word == "colortbl") {
        s.destination = Destination::ColorTable;
        m_colors.clear();
        return;
    }
    if (word == "pntext" || word == "listtext") {
        s.destination = Destination::ListMarker;
        m_marker.clear();
        return;
    }
    if (word == "pn") {
        s.destination = Destination::ListProps;
        m_pnStyle = QTextListFormat::ListDecimal;
        m_pnLevel = 0;
        return;
    }
    if (RtfVocabulary::isSkippedDestination(word)) {
        s.destination = Destination::Skip;
        return;
    }

    const int n = hasParam ? param : 1;
    switch (s.destination) {
    case Destination::FontTable:
        if (word == "f") {
            m_fontId = param;
            m_fontCodePage = 0;
            m_fontName.clear();
        } else if (word == "fcharset") {
            m_fontCodePage = RtfVocabulary::codePageOfCharset(param);
        } else if (word == "cpg") {
            m_fontCodePage = param;
        } else if (ignorable) {
            s.destination = Destination::Skip;
        }
        return;
    case Destination::ColorTable:
        m_colorSet = true;
        if (word == "red")
            m_red = std::clamp(param, 0, 255);
        else if (word == "green")
            m_green = std::clamp(param, 0, 255);
        else if (word == "blue")
            m_blue = std::clamp(param, 0, 255);
        return;
    case Destination::ListProps:
        if (const auto style = RtfVocabulary::numberingStyle(word))
            m_pnStyle = *style;
        else if (word == "pnlvl")
            m_pnLevel = std::clamp(param - 1, 0, MaxListLevels - 1);
        return;
    case Destination::ListMarker:
    case Destination::Skip:
        return;
    case Destination::Text:
        break;
    }

    if (ignorable) {
        // An unknown destination marked as optional: its whole group is skipped.
        s.destination = Destination::Skip;
        return;
    }

    CharProps &c = s.chars;
    ParaProps &para = s.para;
    if (word == "par" || word == "sect" || word == "page" || word == "row") {
        endParagraph();
    } else if (word == "line") {
        appendText(QString(QChar::LineSeparator));
    } else if (word == "tab" || word == "cell") {
        appendText(QStringLiteral("\t"));
    } else if (word == "u") {
        unicode(param);
    } else if (word == "uc") {
        s.fallback = std::clamp(param, 0, 16);
    } else if (word == "b") {
        c.bold = n != 0;
    } else if (word == "i") {
        c.italic = n != 0;
    } else if (word == "ulnone") {
        c.underline = false;
    } else if (word.startsWith("ul") && word != "ulc") {
        c.underline = n != 0;
    } else if (word == "strike") {
        c.strike = n != 0;
    } else if (word == "fs") {
        c.halfPoints = std::clamp(param, 2, 3276);
    } else if (word == "f") {
        c.font = param;
    } else if (word == "cf") {
        c.color = param;
    } else if (word == "highlight" || word == "cb") {
        c.highlight = param;
    } else if (word == "super") {
        c.vertical = 1;
    } else if (word == "sub") {
        c.vertical = -1;
    } else if (word == "nosupersub") {
        c.vertical = 0;
    } else if (word == "plain") {
        c = CharProps {};
        c.font = m_defaultFont;
    } else if (word == "pard") {
        para = ParaProps {};
    } else if (const auto alignment = RtfVocabulary::alignment(word)) {
        para.alignment = *alignment;
    } else if (word == "li") {
        para.left = clampTwips(param);
    } else if (word == "ri") {
        para.right = clampTwips(param);
    } else if (word == "fi") {
        para.first = clampTwips(param);
    } else if (word == "sb") {
        para.before = clampTwips(param);
    } else if (word == "sa") {
        para.after = clampTwips(param);
    } else if (word == "ls") {
        if (para.list == QTextListFormat::ListStyleUndefined)
            para.list = m_markerStyle != QTextListFormat::ListStyleUndefined
                    ? m_markerStyle
                    : QTextListFormat::ListDisc;
    } else if (word == "ilvl") {
        para.level = std::clamp(param, 0, MaxListLevels - 1);
    } else if (const auto symbol = RtfVocabulary::symbol(word)) {
        appendText(QString(*symbol));
    } else if (word == "ansicpg") {
        m_codePage = param;
    } else if (const auto codePage = RtfVocabulary::characterSetCodePage(word)) {
        m_codePage = *codePage;
    } else if (word == "deff") {
        m_defaultFont = param;
        c.font = param;
    }
    // Every other control word is formatting this reader does not show; it is dropped.
}

void Parser::controlSymbol(char symbol)
{
    decodeBytes();
    if (symbol == '*') {
        m_ignorable = true;
        return;
    }
    if (consumeFallback())
        return;
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        textByte(symbol);
        break;
    case '~':
        if (top().destination == Destination::Text)
            appendText(QString(QChar::Nbsp));
        break;
    case '_':
        if (top().destination == Destination::Text)
            appendText(QString(QChar(0x2011)));
        break;
    case '\r':
    case '\n':
        if (top().destination == Destination::Text)
            endParagraph();
        break;
    default: // \- (optional hyphen), \| and \: (index entries) show nothing
        break;
    }
}

void Parser::textByte(char byte)
{
    State &s = top();
    switch (s.destination) {
    case Destination::Text:
        if (byte == '\t' || static_cast<uchar>(byte) >= 0x20)
            m_bytes.append(byte);
        break;
    case Destination::FontTable:
        if (byte == ';') {
            if (m_fonts.size() < MaxFonts || m_fonts.contains(m_fontId))
                m_fonts.insert(m_fontId,
                               FontEntry {RtfVocabulary::decodeCp1252(m_fontName).trimmed(),
                                          m_fontCodePage});
            m_fontName.clear();
        } else if (m_fontName.size() < MaxNameBytes) {
            m_fontName.append(byte);
        }
        break;
    case Destination::ColorTable:
        if (byte == ';') {
            if (m_colors.size() < MaxColors)
                m_colors.append(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
            m_red = m_green = m_blue = 0;
            m_colorSet = false;
        }
        break;
    case Destination::ListMarker:
        if (m_marker.size() < 16)
            m_marker += QChar(static_cast<uchar>(byte));
        break;
    case Destination::ListProps:
    case Destination::Skip:
        break;
    }
}

void Parser::unicode(int code)
{
    // Values above 32767 arrive negative; anything outside 16 bits is damage.
    if (code < 0)
        code += 65536;
    const QChar ch
            = code >= 0 && code <= 0xFFFF ? QChar(char16_t(code)) : QChar::ReplacementCharacter;
    if (top().destination == Destination::Text)
        appendText(QString(ch));
    else if (top().destination == Destination::ListMarker && m_marker.size() < 16)
        m_marker += ch;
    m_skip = top().fallback;
}

void Parser::appendText(const QString &text)
{
    if (!m_text.isEmpty() && m_textProps != top().chars)
        flushText();
    if (m_text.isEmpty())
        m_textProps = top().chars;
    m_text += text;
}

QStringDecoder *Parser::decoderFor(int codePage)
{
    auto it = m_decoders.find(codePage);
    if (it == m_decoders.end()) {
        QByteArray name;
        if (codePage == 10000)
            name = "macintosh";
        else if (codePage == 874 || (codePage >= 1250 && codePage <= 1258))
            name = "windows-" + QByteArray::number(codePage);
        else
            name = "cp" + QByteArray::number(codePage);
        auto decoder = std::make_unique<QStringDecoder>(name.constData());
        if (!decoder->isValid())
            decoder.reset();
        it = m_decoders.emplace(codePage, std::move(decoder)).first;
    }
    return it->second.get();
}

void Parser::decodeBytes()
{
    if (m_bytes.isEmpty())
        return;
    const auto font = m_fonts.constFind(top().chars.font);
    const int codePage
            = font != m_fonts.cend() && font->codePage != 0 ? font->codePage : m_codePage;
    QStringDecoder *decoder = codePage == 1252 ? nullptr : decoderFor(codePage);
    appendText(decoder ? decoder->decode(m_bytes) : RtfVocabulary::decodeCp1252(m_bytes));
    m_bytes.clear();
}

void Parser::flushText()
{
    if (m_text.isEmpty())
        return;
    m_cursor.insertText(m_text, charFormat(m_textProps));
    m_text.clear();
    m_blockHasText = true;
}

QTextCharFormat Parser::charFormat(const CharProps &props) const
{
    QTextCharFormat format;
    const auto font = m_fonts.constFind(props.font);
    if (font != m_fonts.cend() && !font->family.isEmpty())
        format.setFontFamilies({font->family});
    format.setFontPointSize(props.halfPoints / 2.0);
    format.setFontWeight(props.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(props.italic);
    format.setFontUnderline(props.underline);
    format.setFontStrikeOut(props.strike);
    // Index 0 of the colour table is the writer's "automatic" colour: the default text colour.
    if (props.color > 0 && props.color < m_colors.size() && m_colors.at(props.color).isValid())
        format.setForeground(m_colors.at(props.color));
    if (props.highlight > 0 && props.highlight < m_colors.size()
        && m_colors.at(props.highlight).isValid())
        format.setBackground(m_colors.at(props.highlight));
    if (props.vertical != 0)
        format.setVerticalAlignment(props.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                       : QTextCharFormat::AlignSubScript);
    return format;
}

void Parser::endParagraph()
{
    decodeBytes();
    flushText();
    formatParagraph();
    m_cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    m_blockHasText = false;
    m_markerStyle = QTextListFormat::ListStyleUndefined;
}

void Parser::formatParagraph()
{
    // Paragraph properties may come anywhere in a paragraph; the last ones before \par count.
    const ParaProps &para = top().para;
    QTextBlockFormat block;
    block.setAlignment(para.alignment);
    block.setTopMargin(para.before / TwipsPerPixel);
    block.setBottomMargin(para.after / TwipsPerPixel);
    block.setRightMargin(std::max(0, para.right) / TwipsPerPixel);
    const bool listItem = para.list != QTextListFormat::ListStyleUndefined;
    if (!listItem) {
        block.setLeftMargin(std::max(0, para.left) / TwipsPerPixel);
        block.setTextIndent(para.first / TwipsPerPixel);
    }
    m_cursor.setBlockFormat(block);

    if (listItem) {
        // Qt draws the marker in the paragraph's own character format: give it the size, font and
        // colour of the text's first character, so that it sits on the text's baseline, but not
        // the emphasis a first word may carry.
        const QTextBlock::iterator first = m_cursor.block().begin();
        if (!first.atEnd()) {
            QTextCharFormat marker = first.fragment().charFormat();
            marker.setFontWeight(QFont::Normal);
            marker.setFontItalic(false);
            marker.setFontUnderline(false);
            marker.setFontStrikeOut(false);
            marker.setVerticalAlignment(QTextCharFormat::AlignNormal);
            marker.clearBackground();
            marker.setAnchor(false);
            marker.clearProperty(QTextFormat::AnchorHref);
            m_cursor.setBlockCharFormat(marker);
        }
        // The list draws its own marker and indent; consecutive items of one style and level
        // share a list, so numbering continues.
        QTextList *&list = m_lists[para.level];
        if (list && list->format().style() == para.list) {
            list->add(m_cursor.block());
        } else {
            QTextListFormat format;
            format.setStyle(para.list);
            format.setIndent(para.level + 1);
            list = m_cursor.createList(format);
        }
        std::fill(m_lists.begin() + para.level + 1, m_lists.end(), nullptr);
    } else {
        m_lists.fill(nullptr);
    }
}

} // namespace

bool RtfReader::read(const QByteArray &rtf, QTextDocument *document)
{
    document->clear();
    const QByteArrayView data = QByteArrayView(rtf).trimmed();
    if (!data.startsWith("{\\rtf"))
        return false;
    Parser parser(data, document);
    parser.run();
    return true;
}

bool RtfReader::readFile(const QString &path, QTextDocument *document)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        document->clear();
        return false;
    }
    return read(file.readAll(), document);
}
