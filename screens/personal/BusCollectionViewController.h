#pragma once
// The favourites list: the current city's favourites, newest first, each row
// with its line and stop, its direction and the live text of its stop. A tap
// opens the live bus screen, a swipe deletes, the city button in the bar
// opens the city selection and the add button the favourite search.
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/BusCollection.h"
#include "models/Favourites.h"
#include "platform/AlertView.h"
#include "platform/ui/Control.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "screens/common/LineHandOver.h"

namespace bus {

class BusCollectionViewController : public ui::ViewController,
                                    public ui::TableViewDataSource,
                                    public ui::TableViewDelegate,
                                    public platform::AlertViewDelegate {
public:
    // How long the deletion notice stays up, in seconds.
    static constexpr double kNoticeSeconds = 1.0;

    BusCollectionViewController();

    void viewDidLoad() override;
    // Rebuilds the city button and reads the favourites again.
    void viewWillAppear(bool animated) override;

    int numberOfSectionsInTableView(ui::TableView& tableView) override;
    // The favourites of the model's last snapshot: the rows show at once, and
    // each live text as its reply comes in.
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             const ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
    ui::TableViewCellEditingStyle editingStyleForRowAtIndexPath(ui::TableView& tableView,
                                                                const ui::IndexPath& indexPath) override;
    // Deletes the row's favourite; a commit of any other style changes nothing.
    void commitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle editingStyle,
                            const ui::IndexPath& indexPath) override;
    // Hands the tapped favourite to the live bus screen for the sender "0".
    void prepareForSegue(ui::StoryboardSegue& segue, const std::string& sender) override;

    void switchCity(ui::Control& sender);
    void addUIButton(ui::BarButtonItem& sender);
    static void dismss(const std::shared_ptr<platform::AlertView>& alert);

    // The current city's favourites as last read, newest first, with their
    // live texts as far as they came in.
    models::Favourites favourites;
    std::shared_ptr<const models::Favourites::Snapshot> data = favourites.snapshot();
    // Outlet: the list, owned by the view tree.
    std::weak_ptr<ui::TableView> queryUITableView;
    // The favourite last tapped, for the live line it opens.
    LineHandOver handedOver;

private:
    void showNotice(const std::string& title);
};

}  // namespace bus
