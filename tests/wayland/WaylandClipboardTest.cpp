// The Wayland clipboard against real headless compositors (sway and KWin, which offer
// data-control), read back by another Wayland client (wl-paste) and set by one (wl-copy);
// and its pipe transfers on their own, where deadlines and caps can be pushed to the edge.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPointer>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "WaylandSession.h"
#include "platform/wayland/ClipboardPipeReader.h"
#include "platform/wayland/ClipboardPipeWriter.h"
#include "platform/wayland/WaylandClipboard.h"

namespace nabbit {
namespace {

using test::Compositor;
using test::WaylandSession;

class WaylandClipboardTest : public ::testing::TestWithParam<Compositor> {
  protected:
    static void TearDownTestSuite() { test::stopSharedSessions(); }

    void SetUp() override {
        std::string why;
        session_ = test::sharedSession(GetParam(), why);
        if (session_ == nullptr) {
            GTEST_SKIP() << test::nameOf(GetParam()) << " cannot start here: " << why;
        }
        auto clipboard = WaylandClipboard::connect(session_->waylandSocket().toStdString());
        ASSERT_TRUE(clipboard) << clipboard.error();
        clipboard_ = std::move(*clipboard);
    }

    // Reads through the clipboard under test, running the event loop until it answers.
    Clipboard::ReadResult readBack(int* elapsedMs = nullptr) {
        std::optional<Clipboard::ReadResult> result;
        QElapsedTimer timer;
        timer.start();
        clipboard_->read([&](Clipboard::ReadResult answer) { result = std::move(answer); });
        EXPECT_FALSE(result) << "answered from within read()";
        EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
        if (elapsedMs != nullptr) {
            *elapsedMs = static_cast<int>(timer.elapsed());
        }
        return result ? std::move(*result) : Unexpected{ClipboardReadError::unavailable};
    }

    // Waits until another client sees `text` on the clipboard.
    bool clipboardShows(const std::string& text, int timeoutMs = 1000) {
        return QTest::qWaitFor([&] { return session_->clipboardText(500) == text; }, timeoutMs);
    }

    WaylandSession* session_ = nullptr;
    std::unique_ptr<WaylandClipboard> clipboard_;
};

// What another program copied comes back whole, in every type it offers, binary data (NULs
// included) and large contents too.
TEST_P(WaylandClipboardTest, ReadReturnsEveryFormatAsCopied) {
    std::string large(2 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<char>(i * 7 % 251);
    }
    // wl-copy offers text of any kind in the plain-text types too.
    const std::vector<std::string> textTypes{"text/plain;charset=utf-8", "text/plain", "STRING",
                                             "UTF8_STRING", "TEXT"};
    const struct {
        const char* name;
        std::string type;
        std::string data;
        std::vector<std::string> expectedTypes;  // what wl-copy offers for it
    } cases[] = {
        {"text", "", "plain words ünïcödé", textTypes},
        {"two megabytes", "application/octet-stream", large, {"application/octet-stream"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(session_->copy(c.data, c.type));
        Clipboard::ReadResult result = Unexpected{ClipboardReadError::unavailable};
        // The new offer reaches our connection a moment after wl-copy returns.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                result = readBack();
                return result && !result->empty() &&
                       result->find(c.expectedTypes.front()) != nullptr;
            },
            3000));
        std::vector<std::string> types;
        for (const ClipboardFormat& format : result->formats) {
            types.push_back(format.mimeType);
            EXPECT_EQ(format.data.size(), c.data.size()) << format.mimeType;
            EXPECT_TRUE(format.data == c.data) << format.mimeType;
        }
        std::sort(types.begin(), types.end());
        auto expected = c.expectedTypes;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(types, expected);
    }
}

// Saved contents go back as they were read: every type, byte for byte, large ones too.
TEST_P(WaylandClipboardTest, WriteOffersEverySavedFormat) {
    ClipboardContents contents;
    contents.formats = {{"text/html", "<b>bold</b>"},
                        {"text/plain;charset=utf-8", "bold"},
                        {"image/png", std::string("\x89PNG\0\1\2", 7)},
                        {"application/x-big", std::string(3 * 1024 * 1024, 'x')}};
    clipboard_->write(contents);
    ASSERT_TRUE(clipboardShows("bold"));
    auto types = session_->clipboardTypes();
    std::sort(types.begin(), types.end());
    EXPECT_EQ(types, (std::vector<std::string>{"application/x-big", "image/png", "text/html",
                                               "text/plain;charset=utf-8"}));
    for (const ClipboardFormat& format : contents.formats) {
        EXPECT_TRUE(session_->clipboardData(format.mimeType, 3000) == format.data)
            << format.mimeType;
    }
}

// An owner that never writes (wl-copy's server, stopped): the read gives up at its deadline,
// and the event loop runs on meanwhile.
TEST_P(WaylandClipboardTest, AFrozenOwnerTimesOutWithoutBlocking) {
    const auto before = session_->processes("wl-copy");
    ASSERT_TRUE(session_->copy("never served"));
    auto servers = session_->processes("wl-copy");
    std::erase_if(servers, [&](pid_t pid) { return std::ranges::count(before, pid) > 0; });
    ASSERT_EQ(servers.size(), 1U);
    ASSERT_EQ(::kill(servers[0], SIGSTOP), 0);
    const auto end = qScopeGuard([&] { ::kill(servers[0], SIGKILL); });
    // Our connection learns of the new offer.
    QTest::qWait(200);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    int elapsedMs = 0;
    const auto result = readBack(&elapsedMs);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), ClipboardReadError::timedOut);
    EXPECT_GE(elapsedMs, Clipboard::kReadDeadline.count() - 10);
    EXPECT_LT(elapsedMs, Clipboard::kReadDeadline.count() + 300);
    EXPECT_GE(ticks, 10) << "the event loop stood still while reading";
}

INSTANTIATE_TEST_SUITE_P(Compositors, WaylandClipboardTest,
                         ::testing::Values(Compositor::sway, Compositor::kwin),
                         [](const auto& info) { return std::string(test::nameOf(info.param)); });

// The pipe transfers on their own: a writer on one side of a pipe, a reader on the other.
struct Pipe {
    UniqueFd readEnd;
    UniqueFd writeEnd;
};
Pipe makePipe() {
    int fds[2];
    EXPECT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
    return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

Clipboard::ReadResult readPipes(std::vector<ClipboardPipeReader::Stream> streams,
                                std::chrono::milliseconds deadline, std::size_t cap) {
    QObject owner;
    std::optional<Clipboard::ReadResult> result;
    new ClipboardPipeReader(
        std::move(streams), deadline, cap,
        [&](Clipboard::ReadResult answer) { result = std::move(answer); }, &owner);
    EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
    return result ? std::move(*result) : Unexpected{ClipboardReadError::unavailable};
}

// Every format is kept whole up to the cap, counted over types and data together; one byte
// more and the read fails. (An owner that never finishes is the frozen-owner test's.)
TEST(ClipboardPipeTransfer, ReaderKeepsEveryFormatUnlessTooLarge) {
    const struct {
        const char* name;
        std::vector<std::string> data;
        std::size_t cap;
        bool tooLarge;
    } cases[] = {
        {"several formats", {"one", std::string(300'000, 'b'), ""}, 1'000'000, false},
        {"at the cap exactly", {"12345"}, 5 + std::string("type0").size(), false},
        {"one byte over the cap", {"123456"}, 5 + std::string("type0").size(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ClipboardPipeReader::Stream> streams;
        QObject owner;
        for (std::size_t i = 0; i < c.data.size(); ++i) {
            Pipe pipe = makePipe();
            const std::string type = "type" + std::to_string(i);
            auto contents =
                std::make_shared<const ClipboardContents>(ClipboardContents{{{type, c.data[i]}}});
            // The writer closes its end once everything is in.
            new ClipboardPipeWriter(std::move(pipe.writeEnd), contents,
                                    contents->formats.front().data, &owner);
            streams.push_back({type, std::move(pipe.readEnd)});
        }
        const auto result = readPipes(std::move(streams), std::chrono::milliseconds(300), c.cap);
        if (c.tooLarge) {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error(), ClipboardReadError::tooLarge);
            continue;
        }
        ASSERT_TRUE(result);
        ASSERT_EQ(result->formats.size(), c.data.size());
        for (std::size_t i = 0; i < c.data.size(); ++i) {
            EXPECT_EQ(result->formats[i].mimeType, "type" + std::to_string(i));
            EXPECT_TRUE(result->formats[i].data == c.data[i]) << i;
        }
    }
}

// A reader that goes away before the end: the writer stops (EPIPE) and the program lives on.
TEST(ClipboardPipeTransfer, WriterStopsWhenTheReaderGoes) {
    ClipboardPipeWriter::ignoreBrokenPipeSignal();
    Pipe pipe = makePipe();
    auto contents = std::make_shared<const ClipboardContents>(
        ClipboardContents{{{"big", std::string(4 * 1024 * 1024, 'z')}}});
    QObject owner;
    QPointer<ClipboardPipeWriter> writer = new ClipboardPipeWriter(
        std::move(pipe.writeEnd), contents, contents->formats.front().data, &owner);
    QTest::qWait(50);
    EXPECT_FALSE(writer.isNull()) << "4 MB cannot fit into a pipe nobody reads";
    pipe.readEnd.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return writer.isNull(); }, 2000));
}

}  // namespace
}  // namespace nabbit
