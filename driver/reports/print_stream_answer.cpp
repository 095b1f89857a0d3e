// X000033X's answer: the register's print stream up to BEL, with its escape
// sequences for line ends, double width, repeats and bytes to skip. The
// stream is played into lines of the printer line width (43 after ESC 105).
#include "driver/reports/printed_answers.h"

#include <optional>

#include "driver/core/context.h"
#include "driver/core/control_bytes.h"
#include "driver/core/result_codes.h"

namespace kelvo::drv::printed {

namespace {

constexpr std::size_t kWideLine = 43;
constexpr std::uint8_t kCountBase = 32;  // repeat and blank counts are sent as count + 32

// The byte after ESC, by what it does.
enum class EscapeCode : std::uint8_t {
    LineEnd = 22, LineEndSkipOne = 103,
    SkipToLineFeed = 92, SkipBlock = 93, SkipOne = 95,
    SkipParameter = 102, SkipParameterToo = 104,  // a printer control with one parameter byte
    QuestionMarks = 98, Repeat = 101, Blanks = 128,
    WideLine = 105, DoubleOn = 129, DoubleOff = 130,
};

constexpr std::size_t kSkipBeforeLineFeed = 2;
constexpr std::size_t kSkipBlockBytes = 66;

// Bytes that stand for punctuation, else the byte itself.
char character(std::uint8_t c)
{
    switch (c) {
    case 30: return ',';
    case 31: return '.';
    case 254: return '-';
    default: return static_cast<char>(c);
    }
}

bool printable(std::uint8_t c)
{
    return c >= ' ' || c == 30 || c == 31;
}

class StreamPlayer {
public:
    explicit StreamPlayer(std::span<const std::uint8_t> stream)
        : stream_(stream), normalWidth_(ctx.device.lineWidth.value), width_(normalWidth_)
    {
    }

    bool play()
    {
        while (position_ < stream_.size() && isSuccess())
            step();
        if (!isSuccess())
            return false;
        return line_.empty() || writeCurrent();
    }

private:
    void step()
    {
        const std::uint8_t c = stream_[position_++];
        if (c == kCarriageReturn) {
            if (position_ < stream_.size() && stream_[position_] == kLineFeed)
                ++position_;
            lineEnd();
        } else if (c == kLineFeed) {
            lineEnd();
        } else if (c == kEsc) {
            escape();
        } else if (printable(c)) {
            addPiece(std::string(1, character(c)));
        }
    }

    void escape()
    {
        const std::optional<std::uint8_t> escapeCode = next();
        if (!escapeCode)
            return;
        switch (static_cast<EscapeCode>(*escapeCode)) {
        case EscapeCode::LineEnd: lineEnd(); break;
        case EscapeCode::SkipToLineFeed:
            if (skip(kSkipBeforeLineFeed))
                skipPastLineFeed();
            break;
        case EscapeCode::SkipBlock: skip(kSkipBlockBytes); break;
        case EscapeCode::SkipOne:
        case EscapeCode::SkipParameter:
        case EscapeCode::SkipParameterToo: skip(1); break;
        case EscapeCode::QuestionMarks: questionMarks(); break;
        case EscapeCode::Repeat: repeat(); break;
        case EscapeCode::LineEndSkipOne:
            lineEnd();
            skip(1);
            break;
        case EscapeCode::WideLine: width_ = kWideLine; break;
        case EscapeCode::Blanks:
            if (const auto count = next())
                addPiece(std::string(*count >= kCountBase ? *count - kCountBase : 0, ' '));
            break;
        case EscapeCode::DoubleOn: doubleWidth_ = true; break;
        case EscapeCode::DoubleOff: doubleWidth_ = false; break;
        default: break;
        }
    }

    // The next byte of a sequence; one cut off by the end of the stream is an error.
    std::optional<std::uint8_t> next()
    {
        if (position_ >= stream_.size()) {
            failWith(condition::WrongAnswer);
            return std::nullopt;
        }
        return stream_[position_++];
    }

    bool skip(std::size_t count)
    {
        for (std::size_t k = 0; k < count; ++k)
            if (!next())
                return false;
        return true;
    }

    void skipPastLineFeed()
    {
        for (std::optional<std::uint8_t> byte = next(); byte && *byte != kLineFeed; byte = next()) {
        }
    }

    void questionMarks()
    {
        const auto mode = next();
        if (!mode)
            return;
        if (*mode > 1)
            failWith(condition::WrongAnswer);
        else
            questionMarks_ = *mode == 1;
    }

    void repeat()
    {
        const auto count = next();
        const auto c = count ? next() : std::nullopt;
        if (!c)
            return;
        addPiece(std::string(*count >= kCountBase ? *count - kCountBase : 0, character(*c)));
    }

    // Adds characters as one piece; in double width each gets a blank after
    // it (doubled blanks: each blank becomes two).
    void addPiece(const std::string& characters)
    {
        std::string piece;
        for (const char c : characters) {
            piece += c;
            if (doubleWidth_)
                piece += ' ';
        }
        if (line_.size() + piece.size() > width_) {
            failWith(condition::WrongAnswer);
            return;
        }
        line_ += piece;
        writtenAtWidth_ = false;
        if (line_.size() == width_ && writeCurrent())
            writtenAtWidth_ = true;
    }

    void lineEnd()
    {
        if (writtenAtWidth_ && line_.empty()) {
            writtenAtWidth_ = false;
            return;
        }
        writtenAtWidth_ = false;
        writeCurrent();
    }

    bool writeCurrent()
    {
        const bool written = writeLine(line_, width_, questionMarks_);
        line_.clear();
        width_ = normalWidth_;
        return written;
    }

    std::span<const std::uint8_t> stream_;
    std::size_t position_ = 0;
    std::size_t normalWidth_;
    std::size_t width_;
    std::string line_;
    bool doubleWidth_ = false;
    bool questionMarks_ = false;
    bool writtenAtWidth_ = false;
};

}

bool receivePrintStream(AnswerBuffer& answer)
{
    std::uint8_t byte = 0;
    if (!receive(byte) || !registerAccepted(byte, false))
        return false;
    while (receive(byte)) {
        if (byte == kBel)
            return true;
        if (!answer.add(byte))
            return false;
    }
    return false;
}

bool writePrintStream(std::span<const std::uint8_t> answer)
{
    return StreamPlayer(answer).play();
}

}
