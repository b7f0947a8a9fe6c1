// lumio-sound: plays the WAV image it reads on stdin through the sound server,
// once, and ends. Lumio starts one per chime, so that the sound server's client
// libraries are in memory only while a chime sounds. Exits with 0 once played,
// 1 when the image is refused or there is no output device.

#include "desktop/sound/WavImage.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/prctl.h>
#include <vector>

using namespace lumio;

namespace {

std::vector<std::uint8_t> readStdin() {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[16384];
    while (const auto got = std::fread(chunk, 1, sizeof chunk, stdin))
        bytes.insert(bytes.end(), chunk, chunk + got);
    return bytes;
}

} // namespace

int main(int argc, char* argv[]) {
    // A chime outlives no Lumio.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const auto wav = readStdin();
    const auto image = readWavHeader(wav);
    if (!image) return EXIT_FAILURE;
    // Qt Multimedia logs a missing sound server as a warning; for Lumio it is an
    // expected answer.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const QCoreApplication application(argc, argv);

    QAudioFormat format;
    format.setSampleRate(image->sampleRate);
    format.setChannelCount(image->channels);
    format.setSampleFormat(QAudioFormat::Int16);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(format)) return EXIT_FAILURE;

    QByteArray samples(reinterpret_cast<const char*>(wav.data() + image->dataOffset),
                       static_cast<qsizetype>(image->dataSize));
    QBuffer buffer(&samples);
    buffer.open(QIODevice::ReadOnly);
    QAudioSink sink(device, format);
    QObject::connect(&sink, &QAudioSink::stateChanged, [&sink, &format](QAudio::State state) {
        if (state == QAudio::StoppedState) QCoreApplication::exit(EXIT_FAILURE);
        if (state != QAudio::IdleState) return;
        // Every byte is handed over; the server still holds up to a buffer's worth.
        const auto held = format.durationForBytes(static_cast<qint32>(sink.bufferSize()));
        QTimer::singleShot(static_cast<int>(held / 1000) + 1,
                           [] { QCoreApplication::exit(EXIT_SUCCESS); });
    });
    sink.start(&buffer);
    const int status = QCoreApplication::exec();
    // A sink destroyed while playing may still feed the stream it has just
    // closed (Qt 6.4 aborts there); a stopped one never does.
    sink.stop();
    return status;
}
