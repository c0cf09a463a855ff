#pragma once
// Turns the share link of the download service, as the version note carries it, into the
// direct address of the package, the way a browser gets there: share page, download frame,
// signed form post, file address, and the redirect that the file address answers with.

#include <oaidl.h>

#include "toolkit/Types.h"

namespace updater {

// The direct file address for the share page at link, or the empty text. A page that cannot be
// fetched or a pattern that does not match leaves its value empty and the chain runs on, so
// the final redirect tells success from failure. Since the address it ends in is downloaded and
// run, every request checks the service's certificate in full, and the link, the file address
// built from the frame page and the redirect's Location must each be https: any other (or a
// relative Location) gives the empty text, and nothing is asked of an address refused.
// requestObject, when given, is a request object of the caller's on which the three page
// requests run (the redirect probe always makes its own).
GbkText ResolveShareDownloadUrl(const GbkText& link, IDispatch* requestObject = nullptr);

// The Location header that a GET of url answers with, redirects not followed; the empty text
// when the answer has none or the request cannot be made.
GbkText GetRedirectLocation(const GbkText& url);

} // namespace updater
