#pragma once
// The script that every JSON engine compiles first: the helpers behind JsonCount,
// JsonMemberNames and the merge of JsonSetValue, and JSON.stringify/JSON.parse for the JScript
// of the script control, which has no JSON object of its own.

namespace toolkit {

inline constexpr const char* kJsonSupportScript = R"JS(
function get__count(c) {
    return Object.prototype.toString.call(c) == '[object Array]' ? c.length : 0;
}

function get__name_All(a) {
    if (Object.prototype.toString.call(a) != '[object Object]') {
        return '';
    }
    var names = [];
    for (var k in a) {
        if (typeof a[k] != 'function') {
            names.push(k);
        }
    }
    return names.join('\r\n');
}

// Members of source go into target: arrays are appended, texts, logicals, numbers, null and
// missing members replaced, objects merged member by member; inherited functions stay.
function get__extend(target, source) {
    if (Object.prototype.toString.call(target) == '[object Array]') {
        if (source != null && typeof source.length == 'number') {
            for (var i = 0; i < source.length; i++) {
                target.push(source[i]);
            }
        }
        return target;
    }
    for (var k in source) {
        var kind = typeof target[k];
        if (kind == 'function') {
            continue;
        }
        if (kind == 'object' && target[k] !== null) {
            target[k] = get__extend(target[k], source[k]);
        } else {
            target[k] = source[k];
        }
    }
    return target;
}

if (typeof JSON != 'object' || JSON === null) {
    JSON = {};
}

(function () {
    function two(n) {
        return n < 10 ? '0' + n : '' + n;
    }

    if (typeof Date.prototype.toJSON != 'function') {
        Date.prototype.toJSON = function () {
            if (!isFinite(this.valueOf())) {
                return null;
            }
            return this.getUTCFullYear() + '-' + two(this.getUTCMonth() + 1) + '-' +
                two(this.getUTCDate()) + 'T' + two(this.getUTCHours()) + ':' +
                two(this.getUTCMinutes()) + ':' + two(this.getUTCSeconds()) + 'Z';
        };
        String.prototype.toJSON = Number.prototype.toJSON = Boolean.prototype.toJSON =
            function () {
                return this.valueOf();
            };
    }

    var own = Object.prototype.hasOwnProperty;
    var isArray = function (v) {
        return Object.prototype.toString.call(v) == '[object Array]';
    };

    if (typeof JSON.stringify != 'function') {
        var needsEscape = /[\\"\x00-\x1f\x7f-\x9f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
        var shortEscapes = {
            '\b': '\\b', '\t': '\\t', '\n': '\\n', '\f': '\\f', '\r': '\\r',
            '"': '\\"', '\\': '\\\\'
        };
        var quote = function (s) {
            return '"' + s.replace(needsEscape, function (c) {
                if (own.call(shortEscapes, c)) {
                    return shortEscapes[c];
                }
                return '\\u' + ('0000' + c.charCodeAt(0).toString(16)).slice(-4);
            }) + '"';
        };
        // Gives the JSON of holder[key], or undefined where the value has none.
        var write = function (holder, key, replacer, names, gap, indent) {
            var value = holder[key];
            if (value && typeof value == 'object' && typeof value.toJSON == 'function') {
                value = value.toJSON(key);
            }
            if (replacer) {
                value = replacer.call(holder, key, value);
            }
            switch (typeof value) {
            case 'string':
                return quote(value);
            case 'number':
                return isFinite(value) ? String(value) : 'null';
            case 'boolean':
                return String(value);
            case 'object':
                break;
            default:
                return undefined;
            }
            if (value === null) {
                return 'null';
            }
            var inner = indent + gap;
            var parts = [];
            var i, k, v;
            if (isArray(value)) {
                for (i = 0; i < value.length; i++) {
                    v = write(value, i, replacer, names, gap, inner);
                    parts.push(v === undefined ? 'null' : v);
                }
                if (parts.length == 0) {
                    return '[]';
                }
                return gap ? '[\n' + inner + parts.join(',\n' + inner) + '\n' + indent + ']'
                           : '[' + parts.join(',') + ']';
            }
            var keys = [];
            if (names) {
                for (i = 0; i < names.length; i++) {
                    keys.push(String(names[i]));
                }
            } else {
                for (k in value) {
                    if (own.call(value, k)) {
                        keys.push(k);
                    }
                }
            }
            for (i = 0; i < keys.length; i++) {
                v = write(value, keys[i], replacer, names, gap, inner);
                if (v !== undefined) {
                    parts.push(quote(keys[i]) + (gap ? ': ' : ':') + v);
                }
            }
            if (parts.length == 0) {
                return '{}';
            }
            return gap ? '{\n' + inner + parts.join(',\n' + inner) + '\n' + indent + '}'
                       : '{' + parts.join(',') + '}';
        };
        JSON.stringify = function (value, replacer, space) {
            var fn = null, names = null;
            if (typeof replacer == 'function') {
                fn = replacer;
            } else if (isArray(replacer)) {
                names = replacer;
            } else if (replacer !== undefined && replacer !== null) {
                throw new Error('JSON.stringify');
            }
            var gap = '';
            if (typeof space == 'number') {
                for (var i = 0; i < space && i < 10; i++) {
                    gap += ' ';
                }
            } else if (typeof space == 'string') {
                gap = space.slice(0, 10);
            }
            return write({'': value}, '', fn, names, gap, '');
        };
    }

    if (typeof JSON.parse != 'function') {
        // A scanner over the JSON grammar; true when text is one whole JSON text.
        var isJsonText = function (text) {
            var at = 0;
            var n = text.length;
            var hex = '0123456789abcdefABCDEF';
            var ws = function () {
                while (at < n && ' \t\n\r'.indexOf(text.charAt(at)) >= 0) {
                    at++;
                }
            };
            var digits = function () {
                var start = at;
                while (at < n && text.charAt(at) >= '0' && text.charAt(at) <= '9') {
                    at++;
                }
                return at > start;
            };
            var str = function () {
                if (text.charAt(at) != '"') {
                    return false;
                }
                for (at++; at < n; at++) {
                    var c = text.charAt(at);
                    if (c == '"') {
                        at++;
                        return true;
                    }
                    if (c < ' ') {
                        return false;
                    }
                    if (c == '\\') {
                        c = text.charAt(++at);
                        if (c == 'u') {
                            for (var i = 0; i < 4; i++) {
                                if (hex.indexOf(text.charAt(++at)) < 0 || at >= n) {
                                    return false;
                                }
                            }
                        } else if ('"\\/bfnrt'.indexOf(c) < 0 || at >= n) {
                            return false;
                        }
                    }
                }
                return false;
            };
            var num = function () {
                if (text.charAt(at) == '-') {
                    at++;
                }
                if (text.charAt(at) == '0') {
                    at++;
                } else if (!digits()) {
                    return false;
                }
                if (text.charAt(at) == '.') {
                    at++;
                    if (!digits()) {
                        return false;
                    }
                }
                if (text.charAt(at) == 'e' || text.charAt(at) == 'E') {
                    at++;
                    if (text.charAt(at) == '+' || text.charAt(at) == '-') {
                        at++;
                    }
                    if (!digits()) {
                        return false;
                    }
                }
                return true;
            };
            var value = function (depth) {
                if (depth > 256) {
                    return false;
                }
                ws();
                var c = text.charAt(at);
                if (c == '{' || c == '[') {
                    var close = c == '{' ? '}' : ']';
                    at++;
                    ws();
                    if (text.charAt(at) == close) {
                        at++;
                        return true;
                    }
                    for (;;) {
                        if (c == '{') {
                            ws();
                            if (!str()) {
                                return false;
                            }
                            ws();
                            if (text.charAt(at) != ':') {
                                return false;
                            }
                            at++;
                        }
                        if (!value(depth + 1)) {
                            return false;
                        }
                        ws();
                        var next = text.charAt(at++);
                        if (next == close) {
                            return true;
                        }
                        if (next != ',') {
                            return false;
                        }
                    }
                }
                if (c == '"') {
                    return str();
                }
                var words = ['true', 'false', 'null'];
                for (var w = 0; w < words.length; w++) {
                    if (text.substr(at, words[w].length) == words[w]) {
                        at += words[w].length;
                        return true;
                    }
                }
                return num();
            };
            if (!value(0)) {
                return false;
            }
            ws();
            return at == n;
        };
        var revive = function (holder, key, reviver) {
            var value = holder[key];
            if (value && typeof value == 'object') {
                for (var k in value) {
                    if (own.call(value, k)) {
                        var v = revive(value, k, reviver);
                        if (v === undefined) {
                            delete value[k];
                        } else {
                            value[k] = v;
                        }
                    }
                }
            }
            return reviver.call(holder, key, value);
        };
        JSON.parse = function (text, reviver) {
            text = String(text);
            if (!isJsonText(text)) {
                throw new SyntaxError('JSON.parse');
            }
            // Inside strings these two are JSON but end a line for the script parser.
            var result = eval('(' + text.replace(/\u2028/g, '\\u2028').replace(/\u2029/g, '\\u2029') + ')');
            return typeof reviver == 'function' ? revive({'': result}, '', reviver) : result;
        };
    }

    if (typeof Object.prototype.toJSONString != 'function') {
        Object.prototype.toJSONString = function (replacer, space) {
            return JSON.stringify(this, replacer, space);
        };
        Object.prototype.parseJSON = function (reviver) {
            return JSON.parse(this, reviver);
        };
    }
})();
)JS";

} // namespace toolkit
