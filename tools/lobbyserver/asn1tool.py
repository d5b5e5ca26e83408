#!/usr/bin/env python3
"""Line tool over the BER codec, for cross tests with other encoders.

Reads one JSON object per line on stdin and answers one JSON line each:
  {"op":"encode","msg":N,"fields":[...]}  ->  {"hex":"..."}
  {"op":"decode","hex":"..."}             ->  {"msg":N,"fields":[...]}
  anything wrong                          ->  {"error":"..."}
Fields follow the message's field order: integers as numbers, texts and
byte blocks as hex of their bytes, lists and nested records as arrays,
an absent field as null.
"""

import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import asn1codec as codec  # noqa: E402


def _from_json(kind, value):
    if value is None:
        return None
    if kind in (codec.INT, codec.LONG):
        if not isinstance(value, int) or isinstance(value, bool):
            raise codec.CodecError('integer expected, got %r' % (value,))
        return value
    if kind in (codec.STR, codec.BYTES):
        if not isinstance(value, str):
            raise codec.CodecError('hex text expected, got %r' % (value,))
        try:
            return bytes.fromhex(value)
        except ValueError:
            raise codec.CodecError('bad hex text %r' % value) from None
    if isinstance(kind, codec.Record):
        if not isinstance(value, list):
            raise codec.CodecError('array expected for %s' % kind.name)
        if len(value) > len(kind.fields):
            raise codec.CodecError('%s: %d fields given, %d known' % (kind.name, len(value), len(kind.fields)))
        return [_from_json(f.kind, v) for f, v in zip(kind.fields, value)]
    if isinstance(kind, codec.ListOf):
        if not isinstance(value, list):
            raise codec.CodecError('array expected for a list')
        if any(v is None for v in value):
            raise codec.CodecError('null inside a list')
        return [_from_json(kind.elem, v) for v in value]
    raise codec.CodecError('unknown field kind')


def _to_json(kind, value):
    if value is None:
        return None
    if kind in (codec.STR, codec.BYTES):
        return value.hex()
    if isinstance(kind, codec.Record):
        return [_to_json(f.kind, v) for f, v in zip(kind.fields, value)]
    if isinstance(kind, codec.ListOf):
        return [_to_json(kind.elem, v) for v in value]
    return value


def handle(line):
    try:
        request = json.loads(line)
    except (ValueError, RecursionError) as error:
        return {'error': 'bad JSON: %s' % error}
    if not isinstance(request, dict):
        return {'error': 'a JSON object is expected'}
    try:
        op = request.get('op')
        if op == 'encode':
            number = request.get('msg')
            if not isinstance(number, int) or isinstance(number, bool) or number not in codec.MESSAGES:
                raise codec.CodecError('unknown message %r' % (number,))
            fields = request.get('fields', [])
            values = _from_json(codec.MESSAGES[number], fields)
            return {'hex': codec.encode_message(number, values).hex()}
        if op == 'decode':
            text = request.get('hex')
            if not isinstance(text, str):
                raise codec.CodecError('hex text expected')
            try:
                data = bytes.fromhex(text)
            except ValueError:
                raise codec.CodecError('bad hex text') from None
            number, values = codec.decode_message(data)
            return {'msg': number, 'fields': _to_json(codec.MESSAGES[number], values)}
        raise codec.CodecError('unknown op %r' % (op,))
    except codec.CodecError as error:
        return {'error': str(error)}
    except (RecursionError, MemoryError, OverflowError, TypeError, ValueError) as error:
        return {'error': '%s: %s' % (type(error).__name__, error)}


def main():
    for raw in sys.stdin.buffer:
        line = raw.decode('utf-8', errors='replace')
        if not line.strip():
            continue
        try:
            answer = handle(line)
        except Exception as error:  # one bad line never ends the tool
            answer = {'error': '%s: %s' % (type(error).__name__, error)}
        sys.stdout.write(json.dumps(answer, separators=(',', ':')) + '\n')
        sys.stdout.flush()


if __name__ == '__main__':
    main()
