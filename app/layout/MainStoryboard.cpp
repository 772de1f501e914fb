#include "app/layout/MainStoryboard.h"

namespace bus::layout {

void loadMainStoryboard(ui::Storyboard& storyboard) {
    storyboard.clear();
    addSearchScreen(storyboard);
    addLineStationsScreen(storyboard);
    addLiveBusScreen(storyboard);
    addFavouritesScreen(storyboard);
    addFavouriteSearchScreen(storyboard);
    addTransferScreen(storyboard);
    addStopPickerScreen(storyboard);
    addTransferResultScreen(storyboard);
    addCityScreen(storyboard);
    addMoreScreen(storyboard);
    addRefreshTimeScreen(storyboard);
    addAboutPage(storyboard);
    addUserAgreementPage(storyboard);
    addTransitions(storyboard);
    addInitialArrangement(storyboard);
}

}  // namespace bus::layout
