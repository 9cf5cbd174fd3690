#include "app/ApplicationComposition.h"

#include "app/AppModel.h"
#include "app/NoWindowActivator.h"
#include "computeruse/MacComputerUseService.h"
#include "providers/OpenAIAssistantProvider.h"
#include "realtime/UnavailableRealtimeVoiceService.h"
#include "speech/SilentSpokenFeedback.h"
#include "speech/UnavailableWakeWordListener.h"

namespace korvane {

namespace {

std::shared_ptr<ComputerUseService> makeComputerUseService()
{
    return std::make_shared<MacComputerUseService>();
}

std::shared_ptr<RealtimeVoiceService> makeRealtimeVoiceService(const ApplicationModelOptions&)
{
    return std::make_shared<UnavailableRealtimeVoiceService>();
}

std::shared_ptr<WakeWordListener> makeWakeWordListener(const ApplicationModelOptions&)
{
    return std::make_shared<UnavailableWakeWordListener>();
}

std::shared_ptr<SpokenFeedback> makeSpokenFeedback(const ApplicationModelOptions&)
{
    return std::make_shared<SilentSpokenFeedback>();
}

} // namespace

AppModelServices makeApplicationServices(const ApplicationModelOptions& options)
{
    AppModelServices services;
    services.assistantProvider =
        std::make_shared<OpenAIAssistantProvider>(QStringLiteral("gpt-4o"), options.session);
    services.computerUseService = makeComputerUseService();
    // Headless runs never open the microphone, whatever the real services become.
    if (options.headless) {
        services.realtimeVoiceService = std::make_shared<UnavailableRealtimeVoiceService>();
        services.wakeWordListener = std::make_shared<UnavailableWakeWordListener>();
        services.spokenFeedback = std::make_shared<SilentSpokenFeedback>();
    } else {
        services.realtimeVoiceService = makeRealtimeVoiceService(options);
        services.wakeWordListener = makeWakeWordListener(options);
        services.spokenFeedback = makeSpokenFeedback(options);
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
