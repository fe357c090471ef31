// Random and mutated table files through the loader and `qrt58cli show`: no
// crash, no hang, and a load that fails never touches the image it was given.
#include "cli.h"
#include "cli_show.h"

#include "capcode.h"
#include "default_image.h"
#include "table_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>

using namespace qrt58;

namespace {

// Under the sanitizers every input costs some twenty times as much: a tenth of
// the inputs keeps the run within seconds there too.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kScale = 10;
#else
constexpr int kScale = 1;
#endif

QByteArray raw(const PagerTable& t) { return QByteArray(reinterpret_cast<const char*>(t.data()), kImageSize); }

// A table file that is almost right: a real image with a few bytes, a length
// or the signature changed, or plain noise.
QByteArray mutated(std::mt19937& rng, const QByteArray& seed) {
    std::uniform_int_distribution<int> byte(0, 255), kind(0, 9);
    QByteArray b = seed;
    switch (kind(rng)) {
    case 0: // noise of any length up to a little past the image
        b = QByteArray(std::uniform_int_distribution<int>(0, kImageSize + 64)(rng), '\0');
        for (auto& c : b) c = static_cast<char>(byte(rng));
        break;
    case 1: // cut short
        b.truncate(std::uniform_int_distribution<int>(0, kImageSize)(rng));
        break;
    case 2: // damaged signature
        b[kSignatureAddress + std::uniform_int_distribution<int>(0, 5)(rng)] = static_cast<char>(byte(rng));
        break;
    default: { // signed image with random fields: what the decoders must survive
        const int n = std::uniform_int_distribution<int>(1, kind(rng) == 9 ? 2048 : 24)(rng);
        for (int i = 0; i < n; ++i) {
            const int a = std::uniform_int_distribution<int>(0, kSignatureAddress - 1)(rng);
            b[a] = static_cast<char>(byte(rng));
        }
        break;
    }
    }
    return b;
}

} // namespace

TEST(Fuzz, LoaderAndShowSurviveRandomAndMutatedTableFiles) {
    std::mt19937 rng(20261209);
    PagerTable seed_image = build_default_image();
    store_capcode(seed_image, 0, 4290999999.0, true);
    const QByteArray seed = raw(seed_image);
    PagerTable sentinel;
    sentinel.fill(0, kLastAddress, 0xA5);

    // In memory: the loader's byte check and the whole listing of `show`.
    constexpr int kBuffers = 30000 / kScale;
    int loaded = 0, refused = 0;
    for (int i = 0; i < kBuffers; ++i) {
        const QByteArray bytes = mutated(rng, seed);
        PagerTable image = sentinel;
        if (image_from_bytes(bytes, image)) {
            ++loaded;
            std::ostringstream out;
            cli::print_image_summary(image, out);
            ASSERT_FALSE(out.str().empty());
        } else {
            ++refused;
            ASSERT_EQ(image, sentinel) << "a refused buffer changed the image (input " << i << ")";
        }
    }

    // Through real files and the command itself.
    QTemporaryDir dir;
    const QString path = dir.filePath("f.tbl");
    constexpr int kFiles = 600 / kScale;
    int shown = 0;
    for (int i = 0; i < kFiles; ++i) {
        const QByteArray bytes = mutated(rng, seed);
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        }
        PagerTable image = sentinel;
        const LoadResult r = load_table_file(path, image);
        if (r.status != LoadStatus::Ok) {
            ASSERT_EQ(image, sentinel);
        }
        std::ostringstream out, err;
        const int status = cli::run({"show", path.toStdString()}, out, err);
        ASSERT_EQ(status, r.status == LoadStatus::Ok ? 0 : 1) << err.str();
        shown += status == 0;
    }
    // The figures for the record; a crash would not get here.
    std::printf("fuzz: %d buffers (%d loaded and listed, %d refused), %d files (%d shown), 0 crashes\n", kBuffers,
                loaded, refused, kFiles, shown);
    EXPECT_GT(loaded, kBuffers / 2);
    EXPECT_GT(refused, kBuffers / 10);
}
