#pragma once
// The layout resources of the app: every screen by name with its layout, the
// transitions between them and the arrangement the app starts with. Each
// screen has its own file here (titles, outlets, frames, row heights); the
// transitions and the arrangement have one file each.
#include "platform/ui/Storyboard.h"

namespace bus::layout {

// Screen names. A screen is named after the class that shows it, also while a
// plain titled page stands in for a screen that is not built yet.
inline constexpr char kSearchScreen[] = "BusQueryViewController";
inline constexpr char kLineStationsScreen[] = "BusStationViewController";
inline constexpr char kLiveBusScreen[] = "BusRealViewController";
inline constexpr char kFavouritesScreen[] = "BusCollectionViewController";
inline constexpr char kFavouriteSearchScreen[] = "BusCollectionQueryViewController";
inline constexpr char kTransferScreen[] = "BusTransferViewController";
inline constexpr char kStopPickerScreen[] = "BusTransferQueryViewController";
inline constexpr char kTransferResultScreen[] = "BusTransferResultViewController";
inline constexpr char kCityScreen[] = "BusCityViewController";
inline constexpr char kMoreScreen[] = "BusMoreViewController";
inline constexpr char kRefreshTimeScreen[] = "BusRefreshTimeViewController";
inline constexpr char kAboutPage[] = "BusAboutViewController";
inline constexpr char kUserAgreementPage[] = "BusUserAgreementViewController";

// Everything below, into a storyboard that it empties first.
void loadMainStoryboard(ui::Storyboard& storyboard);

// One screen each.
void addSearchScreen(ui::Storyboard& storyboard);
void addLineStationsScreen(ui::Storyboard& storyboard);
void addLiveBusScreen(ui::Storyboard& storyboard);
void addFavouritesScreen(ui::Storyboard& storyboard);
void addFavouriteSearchScreen(ui::Storyboard& storyboard);
void addTransferScreen(ui::Storyboard& storyboard);
void addStopPickerScreen(ui::Storyboard& storyboard);
void addTransferResultScreen(ui::Storyboard& storyboard);
void addCityScreen(ui::Storyboard& storyboard);
void addMoreScreen(ui::Storyboard& storyboard);
void addRefreshTimeScreen(ui::Storyboard& storyboard);
void addAboutPage(ui::Storyboard& storyboard);
void addUserAgreementPage(ui::Storyboard& storyboard);

// Which transition of which screen opens which screen.
void addTransitions(ui::Storyboard& storyboard);
// Four tabs, each the root of a navigation stack.
void addInitialArrangement(ui::Storyboard& storyboard);

}  // namespace bus::layout
