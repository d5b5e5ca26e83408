#pragma once
// Field lists of every message, as the lobby server's codec tool speaks them, converted
// to and from our codecs: integers as numbers, texts and byte blocks as the hex of their
// wire bytes, lists and records as arrays, an absent field as null.
#include "CrossJson.h"

#include <functional>
#include <random>
#include <string>
#include <vector>

// One way of coding one message number with our codecs. Schema letters, one per field:
//   i i32   l i64 >= 0   u UTF-8 text   a Latin-1 packed text   b bytes   f flag 0/1
//   d date-time text (Latin-1)   I list of i32   U list of UTF-8 texts
//   o optional Latin-1 text (null or not empty)   n optional i32 >= 0   p optional i32 > 0
//   x always absent
//   R<k> list of records: G group, N language, Y buy-item player, A achievement,
//        S shop group, H shop item, D item data, T tournament scores, P player list item
//   E game player entries   Q game result items
struct CrossMessage
{
    int number;
    const char* family;                  // "class", "hand" or "fp"
    std::vector<std::string> schema;
    bool canEncode;
    bool canDecode;
    // Our bytes for the fields; empty when the encoder refused.
    std::function<std::vector<u8>(const JValue& fields)> encode;
    // Our field list for the bytes; false when the decoder refused.
    std::function<bool(const std::vector<u8>& bytes, JValue* fields)> decode;
};

const std::vector<CrossMessage>& CrossMessages();

// Random fields for the schema, with edge values (0, -1, the ends of the ranges, empty
// and 64 KiB blocks, non-ASCII text) mixed in.
JValue CrossRandomFields(const std::vector<std::string>& schema, std::mt19937& rng);
