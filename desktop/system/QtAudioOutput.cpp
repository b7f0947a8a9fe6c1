#include "desktop/system/QtAudioOutput.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QMediaDevices>
#include <QtGlobal>

#include <cstring>
#include <optional>

namespace lumio {

namespace {

// The canonical 44-byte header of a PCM WAV file, the only layout we make.
constexpr std::size_t HEADER_SIZE = 44;

struct Pcm {
    QAudioFormat format;
    QByteArray samples;
};

std::uint32_t littleEndian(const std::vector<std::uint8_t>& bytes, std::size_t at,
                           std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

bool tagAt(const std::vector<std::uint8_t>& bytes, std::size_t at, const char* tag) {
    return std::memcmp(bytes.data() + at, tag, 4) == 0;
}

std::optional<Pcm> readWav(const std::vector<std::uint8_t>& wav) {
    if (wav.size() < HEADER_SIZE || !tagAt(wav, 0, "RIFF") || !tagAt(wav, 8, "WAVE") ||
        !tagAt(wav, 12, "fmt ") || !tagAt(wav, 36, "data")) {
        return std::nullopt;
    }
    const auto encoding = littleEndian(wav, 20, 2);
    const auto channels = littleEndian(wav, 22, 2);
    const auto rate = littleEndian(wav, 24, 4);
    const auto bits = littleEndian(wav, 34, 2);
    constexpr std::uint32_t PCM = 1;
    if (encoding != PCM || bits != 16 || channels == 0 || rate == 0) return std::nullopt;

    const std::size_t declared = littleEndian(wav, 40, 4);
    const std::size_t size = std::min(declared, wav.size() - HEADER_SIZE);
    Pcm pcm;
    pcm.format.setSampleRate(static_cast<int>(rate));
    pcm.format.setChannelCount(static_cast<int>(channels));
    pcm.format.setSampleFormat(QAudioFormat::Int16);
    pcm.samples = QByteArray(reinterpret_cast<const char*>(wav.data() + HEADER_SIZE),
                             static_cast<qsizetype>(size));
    return pcm;
}

// Qt Multimedia logs a missing sound server as a warning; for us it is an
// expected answer, so the log stays quiet while we ask.
class QuietQtLog {
  public:
    QuietQtLog()
        : previous(
              qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {})) {
    }
    ~QuietQtLog() { qInstallMessageHandler(previous); }
    QuietQtLog(const QuietQtLog&) = delete;
    QuietQtLog& operator=(const QuietQtLog&) = delete;

  private:
    QtMessageHandler previous;
};

class QtSound final : public Sound {
  public:
    QtSound(const QAudioDevice& device, Pcm pcm)
        : samples(std::move(pcm.samples)), sink(device, pcm.format) {
        buffer.setBuffer(&samples);
        buffer.open(QIODevice::ReadOnly);
    }

    // A sink destroyed while playing may still feed the stream it has just
    // closed (Qt 6.4 aborts there); a stopped one never does.
    ~QtSound() override { sink.stop(); }
    QtSound(const QtSound&) = delete;
    QtSound& operator=(const QtSound&) = delete;

    void stop() override { sink.stop(); }

    void play() override {
        sink.stop();
        buffer.seek(0);
        sink.start(&buffer);
    }

  private:
    QByteArray samples;
    QBuffer buffer;
    QAudioSink sink;
};

} // namespace

std::unique_ptr<Sound> QtAudioOutput::load(std::vector<std::uint8_t> wav) {
    auto pcm = readWav(wav);
    if (!pcm) return nullptr;
    const QuietQtLog quiet;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(pcm->format)) return nullptr;
    return std::make_unique<QtSound>(device, std::move(*pcm));
}

} // namespace lumio
