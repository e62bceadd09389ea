"""A browser for WebKitWebDriver, in place of its MiniBrowser: WebKitGTK in automation mode,
whose site data (IndexedDB, service workers and their caches) are kept in a folder that
outlives the driver's run, where MiniBrowser under automation keeps nothing. Each window the
driver asks for holds a web view and nothing else, so the window's size is the viewport's;
downloads go to the folder's downloads/, and the scripts given with --preload run in every
page before its own. The launcher ends with its last window.

usage: webkit_launcher.py --automation --profile FOLDER [--preload=SCRIPT]..."""
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("WebKit2", "4.1")
from gi.repository import GLib, Gtk, WebKit2  # noqa: E402


def main(args):
    profile = args[args.index("--profile") + 1]
    preload = [a[len("--preload="):] for a in args if a.startswith("--preload=")]
    manager = WebKit2.WebsiteDataManager(base_data_directory=os.path.join(profile, "data"),
                                         base_cache_directory=os.path.join(profile, "cache"))
    context = WebKit2.WebContext(website_data_manager=manager)
    context.set_automation_allowed(True)
    scripts = WebKit2.UserContentManager()
    for source in preload:
        scripts.add_script(WebKit2.UserScript.new(source, WebKit2.UserContentInjectedFrames.ALL_FRAMES,
                                                  WebKit2.UserScriptInjectionTime.START, None, None))
    windows = []

    def save(download, suggested):
        download.set_allow_overwrite(True)
        download.set_destination(GLib.filename_to_uri(os.path.join(profile, "downloads", suggested), None))
        return True

    context.connect("download-started", lambda c, download: download.connect("decide-destination", save))

    def closed(window):
        windows.remove(window)
        if not windows:
            Gtk.main_quit()

    def create(automation):
        view = WebKit2.WebView(web_context=context, user_content_manager=scripts, is_controlled_by_automation=True)
        window = Gtk.Window()
        window.set_default_size(482, 490)
        window.add(view)
        window.connect("destroy", closed)
        view.connect("close", lambda v: window.destroy())
        windows.append(window)
        window.show_all()
        return view

    def started(c, automation):
        info = WebKit2.ApplicationInfo()
        info.set_name("krn-webkit")
        info.set_version(1, 0, 0)
        automation.set_application_info(info)
        automation.connect("create-web-view", create)

    context.connect("automation-started", started)
    with open(os.path.join(profile, "launcher.pid"), "w") as out:
        out.write(str(os.getpid()))
    Gtk.main()


if __name__ == "__main__":
    main(sys.argv[1:])
