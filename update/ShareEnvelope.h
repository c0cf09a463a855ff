#pragma once
// The share-view request of the file-share service as text: which share an address names, and
// the JSON envelope that asks for its contents.

#include "toolkit/Types.h"

namespace update {

// The path of the share-view interface below the share host, with its fixed query.
inline constexpr char kShareViewPath[] =
    "/webapp/json/weiyunShareNoLogin/WeiyunShareView?refer=unknown_windows&g_tk=5820417396";
// The cookie text handed to the web request; the token matches the query's g_tk.
inline constexpr char kShareViewCookie[] = "Cookie:wyctoken=5820417396";
// The answer member that holds the share's first note as HTML.
inline constexpr char kNoteContentPath[] =
    "data['rsp_body']['RspMsg_body']['note_list'][0]['html_content']";

// The text after the last "/" of the address; the whole address when it has none.
GbkText ShareKeyOf(const GbkText& shareUrl);

// The envelope for one request, without any white space. seq goes in as a bare number; the
// password and the key go in as they are, so they must hold no quote or backslash.
GbkText ShareViewEnvelope(const GbkText& seq, const GbkText& password, const GbkText& shareKey);

} // namespace update
