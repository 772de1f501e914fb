#pragma once
// The fixed configuration of the system: the directory service's base
// address, the default city's service base address and the two XML namespace
// URIs. Their values are CMake cache variables of the top-level
// project, handed to every target that links bus_model as compile definitions.

#if !defined(BUS_DIRECTORY_URL) || !defined(BUS_DEFAULT_CITY_URL) || \
    !defined(BUS_CITY_NAMESPACE) || !defined(BUS_DIRECTORY_NAMESPACE)
#error "model/Config.h needs the compile definitions of bus_model (link bus_model)"
#endif

namespace bus::config {

// Base address (scheme, host, port, no path) of the city directory service;
// "/ozkbus/CXFWebService/Bus" is appended to it.
inline constexpr char kDirectoryUrl[] = BUS_DIRECTORY_URL;
// Base address of the default city's (16, 大同) service: BusCity::initDate().
inline constexpr char kDefaultCityUrl[] = BUS_DEFAULT_CITY_URL;
// Namespace URI bound to "ns1" for operations of a city service.
inline constexpr char kCityNamespace[] = BUS_CITY_NAMESPACE;
// Namespace URI bound to "ns1" for operations of the directory service.
inline constexpr char kDirectoryNamespace[] = BUS_DIRECTORY_NAMESPACE;

}  // namespace bus::config
