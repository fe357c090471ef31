// Image addresses belong to src/image: everywhere else the code reaches the
// image through its named functions and constants. This test reads the
// sources outside src/image and fails on a hexadecimal image address:
//   - a field tag "&H…" (the window's binding text), in code or a string;
//   - a number from 0x100 to 0x7FF (the image has 2048 bytes; smaller numbers
//     are masks, bytes, colours and bus addresses far more often than not),
//     unless it is one of the known non-image constants below;
//   - any hexadecimal number where the image is indexed or a field is named:
//     image[0x3E], get_bits(image, 0x33, …), bit_field(0x3E, …), a tag's
//     address compared with one.
// Comments are not read: a comment may say where a field lies.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QString>

#include <regex>
#include <string>
#include <vector>

namespace {

struct Finding {
    std::string file;
    int line;
    std::string text;
};

// Hexadecimal numbers from 0x100 to 0x7FF that are no image address, by folder.
struct Allowed {
    const char* folder;
    int value;
    const char* why;
};
constexpr Allowed kAllowed[] = {
    {"src/board/", 0x278, "parallel-port base address"},
    {"src/board/", 0x378, "parallel-port base address"},
    {"src/board/", 0x379, "parallel-port status register"},
    {"src/board/", 0x37A, "parallel-port control register"},
    {"src/board/", 0x3BC, "parallel-port base address"},
    {"src/board/", 0x700, "24C16 block bits of an address, sent in the control byte"},
    {"src/board/", 0x7F0, "24C16 page of an address (16-byte pages)"},
    {"src/board/", 0x7FF, "24C16 address roll-over at 2048"},
};

bool allowed(const std::string& file, int value) {
    for (const Allowed& a : kAllowed)
        if (file.rfind(a.folder, 0) == 0 && a.value == value) return true;
    return false;
}

// The source with its comments blanked (line breaks kept, so that line
// numbers stay); string and character literals are kept.
std::string without_comments(const std::string& source) {
    std::string out = source;
    enum { Code, Line, Block, String, Char } state = Code;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const char c = out[i];
        const char next = i + 1 < out.size() ? out[i + 1] : '\0';
        switch (state) {
        case Code:
            if (c == '/' && next == '/') state = Line, out[i] = ' ';
            else if (c == '/' && next == '*') state = Block, out[i] = ' ', out[++i] = ' ';
            else if (c == '"') state = String;
            else if (c == '\'') state = Char;
            break;
        case Line:
            if (c == '\n') state = Code;
            else out[i] = ' ';
            break;
        case Block:
            if (c == '*' && next == '/') state = Code, out[i] = ' ', out[++i] = ' ';
            else if (c != '\n') out[i] = ' ';
            break;
        case String:
        case Char:
            if (c == '\\') ++i;
            else if ((state == String && c == '"') || (state == Char && c == '\'')) state = Code;
            break;
        }
    }
    return out;
}

std::vector<Finding> image_addresses_in(const std::string& file, const std::string& source) {
    static const std::regex tag("&H[0-9A-Fa-f]+");
    static const std::regex number("\\b0[xX]([0-9A-Fa-f]+)\\b");
    static const std::regex indexed(
        "\\[\\s*0[xX][0-9A-Fa-f]+|\\b(get_bits|set_bits)\\s*\\((?:[^,;()]|\\([^()]*\\))*,\\s*0[xX][0-9A-Fa-f]+|"
        "\\b(bit_field|whole_bytes|tag_address|bit_tag|prompt_tag)\\s*\\(\\s*0[xX][0-9A-Fa-f]+|"
        "address\\s*==\\s*0[xX][0-9A-Fa-f]+");
    std::vector<Finding> found;
    const std::string code = without_comments(source);
    int line = 1;
    std::size_t start = 0;
    while (start <= code.size()) {
        const std::size_t end = std::min(code.find('\n', start), code.size());
        const std::string text = code.substr(start, end - start);
        bool hit = std::regex_search(text, tag) || std::regex_search(text, indexed);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), number); !hit && it != std::sregex_iterator();
             ++it) {
            const std::string digits = (*it)[1].str();
            if (digits.size() > 3) continue; // 0x8000000D and the like: no address of 2048 bytes
            const int value = std::stoi(digits, nullptr, 16);
            hit = value >= 0x100 && value <= 0x7FF && !allowed(file, value);
        }
        if (hit) found.push_back({file, line, text});
        ++line;
        start = end + 1;
    }
    return found;
}

TEST(ImageAddresses, TheCheckTellsAddressesFromOtherNumbers) {
    const struct {
        const char* file;
        const char* source;
        bool flagged;
    } cases[] = {
        {"src/app/a.cpp", "image[0x3E] = 1;", true},
        {"src/app/a.cpp", "const int v = get_bits(image_, 0x33, 5, 1);", true},
        {"src/app/a.cpp", "set_bits(form_.image(), 0x3B, 6, 1, 1);", true},
        {"src/cli/a.cpp", "m.add(k, v, t, {bit_field(0x36, 7, 1)});", true},
        {"src/app/a.cpp", "f.check(\"chkCtl\", 33, \"Lock/Unlock Off\", \"&H358,0,8,chkN\");", true},
        {"src/app/a.cpp", "if (tag->address == 0x37) {}", true},
        {"src/app/a.cpp", "constexpr int kContrast = 0x369;", true},
        {"src/board/a.cpp", "constexpr int kChecksumEnd = 0x343;", true},
        {"src/app/a.cpp", "const int port = 0x378;", true},
        {"src/board/a.cpp", "const int port = 0x378;", false},
        {"src/board/a.cpp", "return 0xA0 | ((address & 0x700) >> 7);", false},
        {"src/board/a.cpp", "if (b != 0xFF) return;", false},
        {"src/board/a.cpp", "const int chip = 0x50;", false},
        {"src/widgets/a.cpp", "case 0x05: return palette.color(QPalette::Base);", false},
        {"src/dialogs/a.cpp", "if (colour & 0x80000000u) {}", false},
        {"src/app/a.cpp", "// Slider1 and its labels from 0x369", false},
        {"src/app/a.cpp", "/* the tag \"&H33,5,1,chkN\" */ int x = 1;", false},
        {"src/app/a.cpp", "const char* s = \"a // b\"; int v = image[0x31];", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(!image_addresses_in(c.file, c.source).empty(), c.flagged) << c.file << ": " << c.source;
    // Line numbers count the lines of a block comment.
    const auto found = image_addresses_in("src/app/a.cpp", "/* one\n two */\nint a = 0x3B0;\n");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].line, 3);
}

TEST(ImageAddresses, NoSourceOutsideTheImageFolderHoldsAnImageAddress) {
    const QString root = QStringLiteral(QRT58_SOURCE_ROOT);
    std::vector<Finding> found;
    int files = 0;
    for (const char* folder : {"src", "bench"}) {
        QDirIterator it(root + '/' + folder, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const std::string relative = path.mid(root.size() + 1).toStdString();
            if (relative.rfind("src/image/", 0) == 0) continue;
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << relative;
            const auto more = image_addresses_in(relative, file.readAll().toStdString());
            found.insert(found.end(), more.begin(), more.end());
            ++files;
        }
    }
    EXPECT_GT(files, 50);
    for (const Finding& f : found) ADD_FAILURE() << f.file << ':' << f.line << ": " << f.text;
}

} // namespace
