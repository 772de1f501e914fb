#include "standin/Standin.h"

#include <stdexcept>

namespace bus::standin {

Standin::Standin(StandinConfig config, const Clock& clock, RequestLog& log)
    : config_(std::move(config)), clock_(clock), log_(log) {
    for (const auto& served : config_.cities) {
        if (!served.city) throw std::invalid_argument("a served city without a network");
        if (cityPorts_.count(served.city->cityId))
            throw std::invalid_argument("city " + std::to_string(served.city->cityId) + " served twice");
        cityPorts_[served.city->cityId] = served.port;
    }
}

Standin::~Standin() { stop(); }

std::string Standin::baseUrl(int port) const {
    std::string host = config_.advertisedHost;
    if (host.empty()) host = (config_.host == "0.0.0.0" || config_.host == "::") ? "127.0.0.1" : config_.host;
    if (host.find(':') != std::string::npos) host = "[" + host + "]";
    return "http://" + host + ":" + std::to_string(port);
}

void Standin::start() {
    if (directoryEndpoint_) return;
    try {
        // Cities first: the directory hands out the ports they really got.
        for (auto& served : config_.cities) {
            const std::string label = "city " + std::to_string(served.city->cityId);
            const LiveFeed* live = nullptr;
            if (!served.live.sources.empty()) {
                liveFeeds_.push_back(std::make_unique<LiveFeed>(served.city, served.live, label, clock_, log_));
                live = liveFeeds_.back().get();
            }
            auto service = std::make_unique<CityService>(served.city, clock_, config_.rules, live);
            const CityService* svc = service.get();
            EndpointSetup setup{label, kCityPath, kCityNs, "BusRealService",
                              CityService::operations(),
                              [svc](const SoapRequest& r) { return svc->handle(r); }};
            auto endpoint = std::make_unique<SoapEndpoint>(std::move(setup), log_, config_.serve);
            const int port = endpoint->bind(config_.host, served.port);
            // Kept, as the directory's is: started again, the stand-in
            // serves each city where its clients knew it.
            served.port = port;
            cityPorts_[served.city->cityId] = port;
            directory_.push_back({served.city->cityId, served.city->name, baseUrl(port)});
            cityServices_.push_back(std::move(service));
            cityEndpoints_.push_back(std::move(endpoint));
        }
        directoryService_ = std::make_unique<DirectoryService>(directory_);
        const DirectoryService* dir = directoryService_.get();
        EndpointSetup setup{"directory", kDirectoryPath, kDirectoryNs, "BusCityService", DirectoryService::operations(),
                          [dir](const SoapRequest& r) { return dir->handle(r); }};
        directoryEndpoint_ = std::make_unique<SoapEndpoint>(std::move(setup), log_, config_.serve);
        config_.directoryPort = directoryEndpoint_->bind(config_.host, config_.directoryPort);
        for (auto& e : cityEndpoints_) e->start();
        directoryEndpoint_->start();
        for (auto& f : liveFeeds_) f->start();
    } catch (...) {
        stop();
        throw;
    }
}

void Standin::stop() {
    // Everything winds down at once, so that a stop takes the longest of
    // them rather than their sum: pollers are told first, every endpoint
    // stops accepting, and requests under way get one grace period between
    // them all.
    for (auto& f : liveFeeds_) f->cancel();
    const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
    if (directoryEndpoint_) directoryEndpoint_->drain();
    for (auto& e : cityEndpoints_) e->drain();
    if (directoryEndpoint_) directoryEndpoint_->stop(deadline);
    for (auto& e : cityEndpoints_) e->stop(deadline);
    directoryEndpoint_.reset();
    cityEndpoints_.clear();
    for (auto& f : liveFeeds_) f->stop();
    directoryService_.reset();
    cityServices_.clear();
    liveFeeds_.clear();
    directory_.clear();
}

std::string Standin::directoryBaseUrl() const { return baseUrl(config_.directoryPort); }

std::string Standin::cityBaseUrl(std::int64_t cityId) const {
    const auto it = cityPorts_.find(cityId);
    return it == cityPorts_.end() ? std::string() : baseUrl(it->second);
}

std::uint64_t Standin::connectionsAccepted(std::int64_t cityId) const {
    const auto it = cityPorts_.find(cityId);
    if (it == cityPorts_.end()) return 0;
    for (const auto& endpoint : cityEndpoints_)
        if (endpoint->port() == it->second) return endpoint->connectionsAccepted();
    return 0;
}

}  // namespace bus::standin
