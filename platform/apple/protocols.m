// The platform's protocols that the web view host's classes adopt. The GNU runtime cannot create
// protocols at run time: it registers those of a module when the module loads, and this module
// references each of them in the table below.

#include <objc/runtime.h>

@protocol NSObject
@end
@protocol WKNavigationDelegate <NSObject>
@end
@protocol WKUIDelegate <NSObject>
@end
@protocol WKScriptMessageHandler <NSObject>
@end
@protocol WKURLSchemeHandler <NSObject>
@end
@protocol WKDownloadDelegate <NSObject>
@end
@protocol NSWindowDelegate <NSObject>
@end
@protocol NSDraggingDestination <NSObject>
@end
@protocol WKURLSchemeTask <NSObject>
@end
@protocol NSDraggingInfo <NSObject>
@end

extern Protocol* vessimor_apple_protocols[];

Protocol* vessimor_apple_protocols[] = {
    @protocol(NSObject),
    @protocol(WKNavigationDelegate),
    @protocol(WKUIDelegate),
    @protocol(WKScriptMessageHandler),
    @protocol(WKURLSchemeHandler),
    @protocol(WKDownloadDelegate),
    @protocol(NSWindowDelegate),
    @protocol(NSDraggingDestination),
    @protocol(WKURLSchemeTask),
    @protocol(NSDraggingInfo),
    0,
};
