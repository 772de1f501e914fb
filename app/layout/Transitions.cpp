// Which transition of which screen opens which screen. The identifiers and
// senders are the screens' own; only the destinations are decided here.
#include "app/layout/MainStoryboard.h"

namespace bus::layout {

namespace {

struct Transition {
    const char* from;
    const char* identifier;
    const char* to;
};

constexpr Transition kTransitions[] = {
    // from                    identifier            opens
    {kSearchScreen,            "busReal",            kLiveBusScreen},
    {kSearchScreen,            "busCity",            kCityScreen},
    {kFavouritesScreen,        "busReal",            kLiveBusScreen},
    {kFavouritesScreen,        "busCollectionQuery", kFavouriteSearchScreen},
    {kFavouritesScreen,        "busCity",            kCityScreen},
    {kFavouriteSearchScreen,   "busCollection",      kLineStationsScreen},
    {kTransferScreen,          "busCity",            kCityScreen},
    {kTransferScreen,          "busTransferQuery",   kStopPickerScreen},
    {kTransferScreen,          "busTransferResult",  kTransferResultScreen},
    {kTransferResultScreen,    "busReal",            kLiveBusScreen},
    {kMoreScreen,              "busAbout",           kAboutPage},
    {kMoreScreen,              "busUserAgreement",   kUserAgreementPage},
    {kMoreScreen,              "busTime",            kRefreshTimeScreen},
};

}  // namespace

void addTransitions(ui::Storyboard& storyboard) {
    for (const auto& t : kTransitions) storyboard.transition(t.from, t.identifier, t.to);
}

}  // namespace bus::layout
