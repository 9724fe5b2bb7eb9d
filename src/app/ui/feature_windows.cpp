#include "app/ui/feature_windows.h"

#include "app/ui/t_main.h"
#include "app/ui/viewer_model.h"
#include "edit/pick_lists.h"
#include "edit/ui/t_my_edit.h"
#include "edit/ui/t_my_edit_box.h"
#include "interchange/ui/t_my_backup.h"
#include "interchange/ui/t_my_restore.h"
#include "interchange/ui/t_my_export.h"
#include "interchange/ui/t_import_format.h"
#include "reports/report_file.h"
#include "reports/ui/t_my_report.h"
#include "search/ui/t_my_search.h"
#include "search/ui/t_search_and_replace.h"
#include "views/ui/t_about_box.h"
#include "views/ui/t_color_config.h"
#include "views/ui/t_my_locate_dialog.h"
#include "views/ui/t_my_sort_order.h"
#include "views/ui/t_tip_of_day.h"
#include "views/ui/t_view_config.h"

#include <memory>

using namespace mainwin;

void ProvideFeatureWindows(TMain &main) {
    // The report definitions exist (the built-ins written, an earlier version's file
    // converted) before any report window lists them.
    try {
        (void)ReportFile(main.programDirectory()).ensure();
    } catch (const ReportFileError &e) {
        main.prompter().error(QString::fromStdString(e.what()));
    }
    // The record editor lives for the whole run, a child of the main window; its combo
    // boxes hold the pick lists, whose grid copies the main window's grid shows.
    auto *edit = new TMyEdit(
        main.myTable(), main.settings(), main.programDirectory(), main.prompter(),
        [&main] { return main.formLook(); }, &main);
    main.setPickLists(&edit->pickLists());
    main.provideWindow(Needs::RecordEditor, [&main, edit](Cmd) {
        edit->setBrowseMode(main.browseMode());
        edit->setEditMode(main.editMode());
        edit->exec();
        main.setEditMode(edit->editMode());
    });
    main.provideWindow(Needs::ListEditor, [&main, edit](Cmd id) {
        const ListEditArgs args = ListMaintenanceArgs(id);
        TMyEditBox::EditAList(edit->pickLists(), static_cast<picklists::List>(args.listNumber - 1),
                              ListEditorCaption(args.title), args.maxLength, main.prompter(),
                              main.formLook(), main.settings().colorSet(ColorTarget::Edit), &main);
    });
    // The report selection window lives for the whole run, like the search window made
    // after it, and holds the current report definition.
    auto *reports = new TMyReport(ReportServices{main.myTable(), main.settings(), main.prompter(),
                                                 main, main.programDirectory(),
                                                 [&main] { return main.searchInForce(); },
                                                 [&main] { return main.formLook(); }},
                                  &main);
    main.provideWindow(Needs::ReportWindow, [reports](Cmd) { reports->Show(); });
    // The search window lives as long as the main window (its child), and its record test
    // is the main window's filter while a search is in force. Its value lists are the
    // record editor's pick lists.
    auto *search = new TMySearch(
        main.myTable(), main, main.settings(), main.prompter(), [&main] { return main.formLook(); },
        [edit](picklists::List list) { return edit->pickLists().items(list); }, &main);
    main.setSearchFilter(
        [search](const RecordView &record) { return search->BuildFilter(record); });
    main.provideWindow(Needs::SearchWindow, [search](Cmd) { search->exec(); });
    // Backup and restore work on the main window's table; a restore puts the restored pick
    // lists into the record editor and the restored definitions into the report window.
    const auto safekeepingServices = [&main, edit, reports] {
        return safekeeping::Services{.table = main.myTable(),
                                     .settings = main.settings(),
                                     .prompter = main.prompter(),
                                     .hooks = main,
                                     .programDirectory = main.programDirectory(),
                                     .searchInForce = [&main] { return main.searchInForce(); },
                                     .lists = &edit->pickLists(),
                                     .reloadReportList = [reports] { reports->LoadReportBox(); }};
    };
    main.provideWindow(Needs::BackupWindow, [&main, safekeepingServices](Cmd) {
        TMyBackup dialog(safekeepingServices(), main.formLook(), &main);
        dialog.exec();
    });
    main.provideWindow(Needs::RestoreWindow, [&main, safekeepingServices](Cmd) {
        TMyRestore dialog(safekeepingServices(), main.formLook(), &main);
        dialog.exec();
    });
    main.provideWindow(Needs::SearchReplaceWindow, [&main](Cmd) {
        TSearchAndReplace dialog(main.myTable(), main, main.settings(), main.prompter(),
                                 main.formLook(), &main);
        dialog.exec();
        main.DisplayCount();
    });
    main.provideWindow(Needs::ExportWindow, [&main](Cmd) {
        TMyExport dialog(main.myTable(), main.settings(), main.prompter(), main,
                         main.searchInForce(), main.formLook(), &main);
        dialog.exec();
    });
    // The imported records are in the data set when the chooser closes (its listeners have
    // shown them); the count follows.
    main.provideWindow(Needs::ImportWindow, [&main](Cmd) {
        TImportFormat::Run(main.myTable(), main.settings(), main.prompter(), main.formLook(),
                           &main);
        main.DisplayCount();
    });
    main.provideWindow(Needs::ColorConfig, [&main](Cmd id) {
        const auto target = id == Cmd::MainColor     ? colors::DialogTarget::Main
                            : id == Cmd::EditColor   ? colors::DialogTarget::Edit
                            : id == Cmd::SearchColor ? colors::DialogTarget::Search
                            : id == Cmd::ReportColor ? colors::DialogTarget::Report
                            : id == Cmd::ConfigColor ? colors::DialogTarget::Configure
                                                     : colors::DialogTarget::All;
        if (TColorConfig::Edit(main.prompter(), main.settings().colorSets, target, main.formLook(),
                               &main))
            main.SetColors();
    });
    main.provideWindow(Needs::TipWindow, [&main](Cmd) {
        TTipOfDay tips(main.settings().showTips, main.windowSizeFactor(), main.screenSize(), &main);
        tips.exec();
    });
    main.provideWindow(Needs::AboutBox, [&main](Cmd) {
        TAboutBox about(main.windowSizeFactor(), main.screenSize(), &main);
        about.exec();
    });
    main.provideWindow(Needs::ViewerConfig, [&main](Cmd) {
        {
            TViewConfig dialog(main.settings(), main.prompter(), main.formLook(), &main);
            dialog.exec();
        }
        main.SetViewerOptions();
    });
    main.provideWindow(Needs::SortOrderWindow, [&main](Cmd) {
        (void)TMySortOrder::Run(main.myTable(), main.settings(), main.prompter(), main,
                                main.formLook(), &main);
        main.DisplayCount();
    });
    // The locate component lives as long as this window (its handler) and remembers the
    // last search from one use to the next.
    auto locate = std::make_shared<TMyLocateDialog>(main.prompter(), &main);
    locate->SetCaption(QStringLiteral("Locate Field Value"));
    locate->SetDataSource(&main.myTable());
    locate->SetSearchField(QString());
    locate->SetMatchType(TMyLocateMatchType::mtPartialMatchStart);
    locate->SetCaseSensitive(false);
    locate->SetSortFields(TMyFieldSortType::fsSortByFieldName);
    locate->SetDefaultButton(TMyDefaultButtonType::dbFindNext);
    locate->SetFieldSelection(TMyFieldSelection::fsAllFields);
    locate->SetShowMessages(true);
    locate->SetColumnTitles([&main](int field) -> std::optional<QString> {
        const int column = main.viewerModel()->columnOfField(field);
        if (column < 0)
            return std::nullopt;
        return main.viewerModel()->columns()[static_cast<std::size_t>(column)].title;
    });
    locate->SetPresentation([&main] {
        return TMyLocateDialog::Presentation{main.formLook(),
                                             main.settings().colorSet(ColorTarget::Configure)};
    });
    main.provideWindow(Needs::LocateDialog, [locate](Cmd id) {
        if (id == Cmd::LocateNext)
            (void)locate->FindNext();
        else
            (void)locate->Show();
    });
}
