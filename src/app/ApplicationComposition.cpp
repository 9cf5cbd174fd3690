#include "app/ApplicationComposition.h"

#include "app/AppModel.h"
#include "app/ApprovalRequests.h"
#include "app/NoWindowActivator.h"
#include "app/UserSettings.h"
#include "computeruse/MacComputerUseService.h"
#include "platform/linux/audio/QtAudioCaptureDevice.h"
#include "platform/linux/audio/QtAudioPlaybackDevice.h"
#include "platform/linux/audio/SoxrAudioConverter.h"
#include "platform/linux/pocketsphinx/PocketsphinxRecognizer.h"
#include "platform/linux/texttospeech/QtSpokenFeedback.h"
#include "providers/OpenAIAssistantProvider.h"
#include "realtime/ApprovingToolActions.h"
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
    return std::make_shared<WakeWordVoiceService>(
        wakeWordListenerDependencies(std::make_shared<QtAudioCaptureDevice>()));
}

std::shared_ptr<SpokenFeedback> makeSpokenFeedback()
{
    return std::make_shared<QtSpokenFeedback>();
}

} // namespace

WakeWordVoiceService::Dependencies
wakeWordListenerDependencies(std::shared_ptr<AudioCaptureDevice> capture)
{
    return {
        .capture = std::move(capture),
        .converterFactory = &createAudioConverter,
        // Without the US English model it says what to install.
        .recognizer =
            PocketsphinxRecognizer::create({.phrases = WakeWordVoiceService::defaultWakePhrases()}),
    };
}

ComputerControlSettings storedComputerControlSettings()
{
    const UserSettings settings;
    return {.allowComputerControl = settings.allowComputerControl(),
            .letScriptsUseNetwork = settings.letScriptsUseNetwork()};
}

AppModelServices makeApplicationServices(const ApplicationModelOptions& options)
{
    AppModelServices services;
    if (!options.headless)
        services.approvalRequests = std::make_shared<ApprovalRequests>();
    services.actionApprover = std::make_shared<ComputerControlPolicy>(
        options.computerControl ? options.computerControl : &storedComputerControlSettings,
        services.approvalRequests);
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
            std::make_shared<ApprovingToolActions>(
                std::make_shared<MacComputerUseToolActions>(computerUse), services.actionApprover),
            makeRealtimeAudio());
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
