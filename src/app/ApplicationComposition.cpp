#include "app/ApplicationComposition.h"

#include "app/AppModel.h"
#include "app/NoWindowActivator.h"
#include "computeruse/MacComputerUseService.h"
#include "platform/linux/audio/QtAudioCaptureDevice.h"
#include "platform/linux/audio/QtAudioPlaybackDevice.h"
#include "platform/linux/audio/SoxrAudioConverter.h"
#include "platform/linux/pocketsphinx/PocketsphinxRecognizer.h"
#include "platform/linux/texttospeech/QtSpokenFeedback.h"
#include "providers/OpenAIAssistantProvider.h"
#include "realtime/MacComputerUseToolActions.h"
#include "realtime/OpenAIRealtimeVoiceService.h"
#include "realtime/UnavailableRealtimeVoiceService.h"
#include "speech/SilentSpokenFeedback.h"
#include "speech/UnavailableWakeWordListener.h"
#include "speech/WakeWordVoiceService.h"

namespace korvane {

namespace {

AudioDevices makeRealtimeAudio()
{
    // Each listener of the microphone has a capture device of its own: one tap each. Where the
    // sound server cancels echo, the session hears and speaks through it, so it never hears
    // its own answers.
    return {.capture = std::make_shared<QtAudioCaptureDevice>(QByteArray(),
                                                              AudioRoute::echoCancelledWhenOffered),
            .playback = std::make_shared<QtAudioPlaybackDevice>(
                QByteArray(), AudioRoute::echoCancelledWhenOffered),
            .converterFactory = &createAudioConverter};
}

std::shared_ptr<WakeWordListener> makeWakeWordListener()
{
    return std::make_shared<WakeWordVoiceService>(WakeWordVoiceService::Dependencies{
        .capture = std::make_shared<QtAudioCaptureDevice>(),
        .converterFactory = &createAudioConverter,
        // Null without the US English model: the listener then hears but recognises nothing.
        .recognizer =
            PocketsphinxRecognizer::create({.phrases = WakeWordVoiceService::defaultWakePhrases()}),
    });
}

std::shared_ptr<SpokenFeedback> makeSpokenFeedback()
{
    return std::make_shared<QtSpokenFeedback>();
}

} // namespace

AppModelServices makeApplicationServices(const ApplicationModelOptions& options)
{
    AppModelServices services;
    services.assistantProvider =
        std::make_shared<OpenAIAssistantProvider>(QStringLiteral("gpt-4o"), options.session);
    auto computerUse = std::make_shared<MacComputerUseService>();
    services.computerUseService = computerUse;
    // Headless runs never open the microphone.
    if (options.headless) {
        services.realtimeVoiceService = std::make_shared<UnavailableRealtimeVoiceService>();
        services.wakeWordListener = std::make_shared<UnavailableWakeWordListener>();
        services.spokenFeedback = std::make_shared<SilentSpokenFeedback>();
    } else {
        auto realtime = std::make_shared<OpenAIRealtimeVoiceService>(
            std::make_shared<MacComputerUseToolActions>(computerUse), makeRealtimeAudio());
        realtime->setBargeInPreference(options.bargeInAllowed);
        services.realtimeVoiceService = realtime;
        services.wakeWordListener = makeWakeWordListener();
        services.spokenFeedback = makeSpokenFeedback();
    }
    services.windowActivator = std::make_shared<NoWindowActivator>();
    return services;
}

std::unique_ptr<AppModel> makeApplicationModel(const ApplicationModelOptions& options,
                                               QObject* parent)
{
    return std::make_unique<AppModel>(makeApplicationServices(options), parent);
}

} // namespace korvane
