// Our codecs against the lobby server's independent Python codec: for every message, our
// bytes decoded there give the fields we encoded, and its bytes decoded here give the
// fields it encoded. A fault that our encoder and decoder share cannot hide from this.
#include "CrossMessages.h"
#include "LobbyCodecTool.h"
#include "NetTestBytes.h"

#include <gtest/gtest.h>

#include <set>

namespace
{
const int kRoundsPerMessage = 60;

std::string Short(const JValue& v)
{
    std::string s = v.Dump();
    return s.size() > 600 ? s.substr(0, 600) + "..." : s;
}

JValue Request(const char* op)
{
    JValue r;
    r.kind = JValue::Obj;
    r.members["op"] = JValue::MakeStr(op);
    return r;
}
}

TEST(CrossCodec, EveryMessageAgreesWithThePythonCodec)
{
    CLobbyCodecTool* tool = CLobbyCodecTool::Shared();
    if (!tool)
        GTEST_SKIP() << "python3 or tools/lobbyserver/asn1tool.py is missing";
    std::mt19937 rng(20261207);
    std::set<int> numbers;
    int checked = 0;
    for (const CrossMessage& m : CrossMessages())
    {
        numbers.insert(m.number);
        for (int round = 0; round < kRoundsPerMessage; ++round)
        {
            const JValue fields = CrossRandomFields(m.schema, rng);
            if (m.canEncode)
            {
                const Bytes ours = m.encode(fields);
                ASSERT_FALSE(ours.empty()) << m.number << " " << m.family << ": our encoder refused " << Short(fields);
                JValue ask = Request("decode");
                ask.members["hex"] = JValue::MakeStr(ToHex(ours));
                const JValue answer = tool->Ask(ask);
                ASSERT_EQ(0u, answer.members.count("error"))
                    << m.number << " " << m.family << ": Python refused our bytes " << Short(answer)
                    << "\nfields " << Short(fields) << "\nbytes " << ToHex(ours).substr(0, 600);
                EXPECT_EQ(m.number, answer.members.at("msg").integer);
                ASSERT_EQ(Short(fields), Short(answer.members.at("fields")))
                    << m.number << " " << m.family << ": our encoding, decoded by Python";
                ++checked;
            }
            if (m.canDecode)
            {
                JValue ask = Request("encode");
                ask.members["msg"] = JValue::MakeInt(m.number);
                ask.members["fields"] = fields;
                const JValue answer = tool->Ask(ask);
                ASSERT_EQ(0u, answer.members.count("error"))
                    << m.number << " " << m.family << ": Python could not encode " << Short(fields) << " "
                    << Short(answer);
                const Bytes theirs = Hex(answer.members.at("hex").text);
                JValue ours;
                ASSERT_TRUE(m.decode(theirs, &ours))
                    << m.number << " " << m.family << ": we refused Python's bytes " << ToHex(theirs).substr(0, 600);
                ASSERT_EQ(Short(fields), Short(ours)) << m.number << " " << m.family << ": Python's encoding, decoded by us";
                ++checked;
            }
        }
    }
    EXPECT_EQ(81u, numbers.size()) << "every message number of the protocol";
    EXPECT_GT(checked, 5000);
}
