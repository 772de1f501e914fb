// Reading request envelopes and writing replies, without a network.
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include "standin/Soap.h"

namespace bus::standin {
namespace {

const std::string kEnv = "http://schemas.xmlsoap.org/soap/envelope/";

std::string faultCodeOf(const std::string& body) {
    try {
        parseRequest(body);
    } catch (const SoapFault& f) {
        return f.code() + ": " + f.what();
    }
    return "no fault";
}

TEST(SoapRequestParsing, ReadsTheOperationAndItsParametersAsTheAppWritesThem) {
    const auto req = parseRequest(
        "<soapenv:Envelope xmlns:soapenv=\"" + kEnv +
        "\" xmlns:ns1=\"http://service.realbus.transit/\"><soapenv:Header/><soapenv:Body>"
        "<ns1:realBus><gprsId>16009</gprsId><orderNo>12</orderNo><direction>1</direction></ns1:realBus>"
        "</soapenv:Body></soapenv:Envelope>");
    EXPECT_EQ(req.operation, "realBus");
    EXPECT_EQ(req.integer("gprsId"), 16009);
    EXPECT_EQ(req.integer("orderNo"), 12);
    EXPECT_EQ(req.integer("direction"), 1);
}

TEST(SoapRequestParsing, MatchesByLocalNameWhateverThePrefixesAndOrder) {
    const auto req = parseRequest(
        "<?xml version=\"1.0\"?>\n<S:Envelope xmlns:S=\"" + kEnv +
        "\">\n  <S:Body>\n    <q:queryLine xmlns:q=\"urn:anything\">\n"
        "      <q:lineId> 1609 </q:lineId>\n      <direction>0</direction>\n"
        "    </q:queryLine>\n  </S:Body>\n</S:Envelope>");
    EXPECT_EQ(req.operation, "queryLine");
    EXPECT_EQ(req.integer("lineId"), 1609);
    EXPECT_EQ(req.integer("direction"), 0);
}

TEST(SoapRequestParsing, AcceptsADefaultNamespaceEnvelopeAndEntitiesInText) {
    const auto req = parseRequest("<Envelope xmlns=\"" + kEnv +
                                  "\"><Body><queryKeyword><keyword>A&amp;B <![CDATA[<东>]]></keyword>"
                                  "</queryKeyword></Body></Envelope>");
    EXPECT_EQ(req.operation, "queryKeyword");
    EXPECT_EQ(req.text("keyword"), "A&B <东>");
}

TEST(SoapRequestParsing, AnEmptyOperationElementHasNoParameters) {
    const auto req = parseRequest("<soapenv:Envelope xmlns:soapenv=\"" + kEnv +
                                  "\" xmlns:ns1=\"http://service.ozkbus.transit/\"><soapenv:Header/><soapenv:Body>"
                                  "<ns1:queryCity></ns1:queryCity></soapenv:Body></soapenv:Envelope>");
    EXPECT_EQ(req.operation, "queryCity");
    EXPECT_TRUE(req.params.empty());
}

TEST(SoapRequestParsing, RefusesWhatIsNotASoap11Request) {
    EXPECT_EQ(faultCodeOf("<soapenv:Envelope xmlns:soapenv=\"" + kEnv + "\"><soapenv:Body><x>")
                  .rfind("Client: malformed XML", 0),
              0u);
    EXPECT_EQ(faultCodeOf("").rfind("Client: malformed XML", 0), 0u);
    EXPECT_EQ(faultCodeOf("<html><body/></html>").rfind("Client: the request is not a SOAP envelope", 0), 0u);
    EXPECT_EQ(faultCodeOf("<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body><x/></e:Body>"
                          "</e:Envelope>")
                  .rfind("VersionMismatch", 0),
              0u);
    EXPECT_EQ(faultCodeOf("<Envelope><Body><x/></Body></Envelope>").rfind("VersionMismatch", 0), 0u);
    EXPECT_EQ(faultCodeOf("<e:Envelope xmlns:e=\"" + kEnv + "\"><e:Header/></e:Envelope>"),
              "Client: the envelope has no Body");
    EXPECT_EQ(faultCodeOf("<e:Envelope xmlns:e=\"" + kEnv + "\"><e:Body> </e:Body></e:Envelope>"),
              "Client: the Body names no operation");
}

TEST(SoapRequestParsing, NumbersMustBeWholeDecimalNumbers) {
    auto with = [](const std::string& value) {
        SoapRequest r;
        r.operation = "realBus";
        r.params = {{"orderNo", value}};
        return r;
    };
    EXPECT_EQ(with("+7").integer("orderNo"), 7);
    EXPECT_EQ(with("-3").integer("orderNo"), -3);
    for (const std::string bad : {"", "12abc", "1.5", "abc", "0x10", "99999999999999999999"}) {
        try {
            with(bad).integer("orderNo");
            ADD_FAILURE() << "accepted \"" << bad << "\"";
        } catch (const SoapFault& f) {
            EXPECT_EQ(f.code(), "Client");
            EXPECT_NE(std::string(f.what()).find("whole number"), std::string::npos) << f.what();
        }
    }
    try {
        with("1").integer("gprsId");
        ADD_FAILURE() << "a missing parameter was accepted";
    } catch (const SoapFault& f) {
        EXPECT_EQ(std::string(f.what()), "missing parameter \"gprsId\" of \"realBus\"");
    }
}

TEST(SoapReplies, TheReturnElementIsBareAndItsTextEscaped) {
    const std::string reply = buildResponse("realBusStation", "http://service.realbus.transit/", "a<b & \"c\"");
    // The app cuts the text between the first "<return>" and "</return>".
    const auto open = reply.find("<return>");
    const auto close = reply.find("</return>");
    ASSERT_NE(open, std::string::npos);
    ASSERT_NE(close, std::string::npos);
    EXPECT_EQ(reply.substr(open + 8, close - open - 8), "a&lt;b &amp; &quot;c&quot;");
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(reply.c_str()));
    const auto response = doc.child("soap:Envelope").child("soap:Body").child("ns2:realBusStationResponse");
    EXPECT_STREQ(response.attribute("xmlns:ns2").value(), "http://service.realbus.transit/");
    EXPECT_STREQ(doc.child("soap:Envelope").attribute("xmlns:soap").value(), kEnv.c_str());
    EXPECT_EQ(std::string(response.child("return").text().get()), "a<b & \"c\"");
}

TEST(SoapReplies, JsonTextSurvivesAClientThatDecodesOnlyQuotes) {
    Json j = {{"stationName", "A&B <东>"}, {"orderNo", 3}};
    const std::string text = jsonText(j);
    EXPECT_EQ(text.find_first_of("<>&"), std::string::npos) << text;
    const std::string reply = buildResponse("queryLine", "urn:x", text);
    const auto open = reply.find("<return>") + 8;
    std::string cut = reply.substr(open, reply.find("</return>") - open);
    for (std::size_t p; (p = cut.find("&quot;")) != std::string::npos;) cut.replace(p, 6, "\"");
    EXPECT_EQ(nlohmann::json::parse(cut)["stationName"], "A&B <东>");
}

TEST(SoapReplies, FaultsAreSoap11FaultsWithReadableText) {
    const std::string fault = buildFault("Client", "bad <thing> \xFF");
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(fault.c_str()));
    const auto f = doc.child("soap:Envelope").child("soap:Body").child("soap:Fault");
    EXPECT_STREQ(f.child("faultcode").text().get(), "soap:Client");
    EXPECT_EQ(std::string(f.child("faultstring").text().get()), "bad <thing> \xEF\xBF\xBD");
}

TEST(SoapReplies, InvalidUtf8AndControlCharactersAreReplaced) {
    EXPECT_EQ(validUtf8("大同"), "大同");
    EXPECT_EQ(validUtf8("a\xC0\xAF" "b"), "a\xEF\xBF\xBD\xEF\xBF\xBD" "b");  // overlong '/'
    EXPECT_EQ(validUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
    EXPECT_EQ(validUtf8(std::string("x\0y", 3)), "x\xEF\xBF\xBDy");
    EXPECT_EQ(validUtf8("\xE5\xA4"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // cut short
    EXPECT_EQ(validUtf8("\xF0\x9F\x9A\x8C"), "\xF0\x9F\x9A\x8C");
}

TEST(Wsdl, DescribesEveryOperationDocumentLiteral) {
    const std::string wsdl = buildWsdl("BusRealService", "http://service.realbus.transit/",
                                       {{"realBus", {{"gprsId", "xs:int"}, {"orderNo", "xs:int"}}},
                                        {"queryKeyword", {{"keyword", "xs:string"}}}},
                                       "http://127.0.0.1:1/realBus/CXFWebService/bus");
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(wsdl.c_str())) << wsdl;
    const auto defs = doc.child("wsdl:definitions");
    EXPECT_STREQ(defs.attribute("targetNamespace").value(), "http://service.realbus.transit/");
    const auto schema = defs.child("wsdl:types").child("xs:schema");
    EXPECT_STREQ(schema.attribute("elementFormDefault").value(), "unqualified");
    const auto realBus = schema.find_child_by_attribute("xs:complexType", "name", "realBus");
    ASSERT_TRUE(realBus);
    EXPECT_STREQ(realBus.child("xs:sequence").first_child().attribute("name").value(), "gprsId");
    EXPECT_TRUE(schema.find_child_by_attribute("xs:complexType", "name", "queryKeywordResponse"));
    const auto binding = defs.child("wsdl:binding");
    EXPECT_STREQ(binding.child("soap:binding").attribute("style").value(), "document");
    int ops = 0;
    for (auto op : binding.children("wsdl:operation")) {
        ++ops;
        EXPECT_STREQ(op.child("wsdl:input").child("soap:body").attribute("use").value(), "literal");
    }
    EXPECT_EQ(ops, 2);
    EXPECT_STREQ(defs.child("wsdl:service").child("wsdl:port").child("soap:address").attribute("location").value(),
                 "http://127.0.0.1:1/realBus/CXFWebService/bus");
}

}  // namespace
}  // namespace bus::standin
