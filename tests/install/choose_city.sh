# Sourced by the package test. The stand-in prints its services' addresses as
# it starts ("directory URL", "city ID NAME URL"); these point an app's fresh
# container at one of its cities and give the directory's base address, so
# that the stand-in can listen on free ports.

# choose_city CONTAINER STANDIN_OUTPUT ID NAME
choose_city() {
    base=$(sed -n "s|^city $3 .* \(http://[^/]*\)/.*|\1|p" "$2" | tail -1)
    [ -n "$base" ] || { echo "no city $3 in $2" >&2; return 1; }
    mkdir -p "$1/Library/Preferences"
    printf '{"cityId": %s, "cityName": "%s", "postUrl": "%s", "postWebService": "/realBus/CXFWebService/bus"}\n' \
        "$3" "$4" "$base" >"$1/Library/Preferences/preferences.json"
}

# directory_of STANDIN_OUTPUT
directory_of() { sed -n 's|^directory \(http://[^/]*\)/.*|\1|p' "$1" | tail -1; }
