-- wrk: POST the SOAP envelope in $BODY_FILE to every request.
local f = assert(io.open(os.getenv("BODY_FILE"), "rb"))
wrk.method = "POST"
wrk.body = f:read("*a")
f:close()
wrk.headers["Content-Type"] = "text/xml;charset=UTF-8"
