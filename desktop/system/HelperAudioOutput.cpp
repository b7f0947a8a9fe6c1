#include "desktop/system/HelperAudioOutput.h"

#include "desktop/sound/WavImage.h"
#include "files/Diagnostics.h"

#include <QByteArray>
#include <QProcess>
#include <QString>

namespace lumio {

namespace {

class HelperSound final : public Sound {
  public:
    HelperSound(const std::filesystem::path& player, std::vector<std::uint8_t> wav)
        : player(QString::fromStdString(player.string())),
          wav(reinterpret_cast<const char*>(wav.data()), static_cast<qsizetype>(wav.size())) {}

    ~HelperSound() override { stop(); }
    HelperSound(const HelperSound&) = delete;
    HelperSound& operator=(const HelperSound&) = delete;

    void play() override {
        stop();
        process.setProgram(player);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QIODevice::WriteOnly);
        if (!process.waitForStarted()) {
            diagnose("cannot start the sound player " + player.toStdString() + ": " +
                     process.errorString().toStdString());
            return;
        }
        process.write(wav);
        process.closeWriteChannel();
    }

    void stop() override {
        if (process.state() == QProcess::NotRunning) return;
        process.kill();
        process.waitForFinished();
    }

  private:
    const QString player;
    const QByteArray wav;
    QProcess process;
};

} // namespace

HelperAudioOutput::HelperAudioOutput(std::filesystem::path player) : player(std::move(player)) {}

std::unique_ptr<Sound> HelperAudioOutput::load(std::vector<std::uint8_t> wav) {
    if (!readWavHeader(wav)) return nullptr;
    return std::make_unique<HelperSound>(player, std::move(wav));
}

} // namespace lumio
