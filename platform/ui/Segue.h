#pragma once
// A transition from one screen to the next, as prepareForSegue sees it: the
// destination exists but has not loaded its view yet, so values handed over
// with setValue are there when its viewDidLoad runs.
#include <memory>
#include <string>

namespace ui {

class ViewController;

class StoryboardSegue {
public:
    StoryboardSegue(std::string identifier, std::shared_ptr<ViewController> source,
                    std::shared_ptr<ViewController> destination)
        : identifier_(std::move(identifier)), source_(std::move(source)), destination_(std::move(destination)) {}

    const std::string& identifier() const { return identifier_; }
    ViewController* sourceViewController() const { return source_.get(); }
    ViewController* destinationViewController() const { return destination_.get(); }
    const std::shared_ptr<ViewController>& destination() const { return destination_; }

private:
    std::string identifier_;
    std::shared_ptr<ViewController> source_;
    std::shared_ptr<ViewController> destination_;
};

using Segue = StoryboardSegue;

}  // namespace ui
