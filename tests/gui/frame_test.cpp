// Start-up, the menu bar, the accelerators and the menu commands.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <map>
#include <set>
#include <vector>

#include "base/messages.h"
#include "resources/menu_table.h"
#include "tests/gui/frame_fixture.h"
#include "tests/gui/temp_dir.h"
#include "ui/commands.h"
#include "ui/file_chooser.h"
#include "ui/geometry_window.h"
#include "ui/render_window.h"
#include "volume/models.h"
#include "volume/raw_reader.h"

namespace calyra::ui::testing {
namespace {

using FrameStartUp = FrameFixture;
using MenuCommands = FrameFixture;

QMenu* TopMenu(QMenuBar* bar, const QString& title) {
    for (QAction* action : bar->actions()) {
        if (action->text() == title) return action->menu();
    }
    return nullptr;
}

TEST_F(FrameStartUp, GreetsTheUserBeforeTheFrameIsVisible) {
    ASSERT_FALSE(messages.empty());
    const RecordedMessage& welcome = messages.front();
    EXPECT_EQ(welcome.caption, "Welcome");
    EXPECT_EQ(welcome.icon, Icon::Information);
    EXPECT_EQ(welcome.owner, nullptr);
    EXPECT_FALSE(welcome.frameVisible);
    EXPECT_EQ(welcome.text,
              "Welcome to the Demonstration Version of the Calyra Visualizer!\n\nTo learn more "
              "about the Calyra Visualizer, select the Help...Contents\noption from the pull-down "
              "menu bar.\n\nTo begin using the Calyra Visualizer:\n\n\to Select a model file from "
              "the pull down menu\n\n\to Use the right mouse button to move the red\n\t   viewing "
              "plane to change the rendering angle\n\n\to OR simply press the lowercase 'd' key to "
              "begin\n\t   a demonstration; pressing 'D' will then stop it.\n");
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(FrameStartUp, OpensAtTheCornerWithThreeQuartersOfTheScreen) {
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(frame->windowTitle(), "Calyra Volume Renderer");
    EXPECT_EQ(frame->pos(), QPoint(0, 0));
    EXPECT_EQ(frame->size(), QSize(3 * screen.width() / 4, 3 * screen.height() / 4));
    EXPECT_EQ(frameWindow, frame);
}

TEST_F(FrameStartUp, ChecksSurfaceAndShowsNoModelWindow) {
    EXPECT_TRUE(IsMenuItemChecked(RenderTypeCommand(RenderType::Surface)));
    EXPECT_FALSE(IsMenuItemChecked(RenderTypeCommand(RenderType::Transparent)));
    EXPECT_FALSE(IsMenuItemChecked(RenderTypeCommand(RenderType::Slice)));
    EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Surface);
    EXPECT_EQ(renderWindow, nullptr);
    EXPECT_EQ(geometryWindow, nullptr);
    ASSERT_NE(mdiClient, nullptr);
    EXPECT_TRUE(mdiClient->subWindowList().isEmpty());
    EXPECT_EQ(viewPanelShown, 1);
    EXPECT_EQ(mapPanelShown, 1);
    EXPECT_EQ(slideBarShown, 0);
    if (slideBar) {
        EXPECT_FALSE(slideBar->isVisible());
    }
}

// Walks the menu table and the built bars side by side: every entry must be
// the next action of the menu it belongs to, with the table's label, id and
// kind, and every menu must end where its pop-up ends in the table.
TEST_F(FrameStartUp, BuildsTheMenuBarEntryByEntryFromTheMenuTable) {
    using resources::MenuEntry;
    using resources::MenuKind;
    QMenuBar* bar = frame->menuBar();
    auto* corner = qobject_cast<QMenuBar*>(bar->cornerWidget(Qt::TopRightCorner));
    ASSERT_NE(corner, nullptr);

    struct Cursor {
        QList<QAction*> actions;
        qsizetype next = 0;
    };
    Cursor barCursor{bar->actions()}, cornerCursor{corner->actions()};
    std::vector<Cursor> open;
    std::set<int> ids;
    // Start-up renders Surface with gradient shading on.
    const std::set<int> checkedAtStart = {RenderTypeCommand(RenderType::Surface),
                                          kCmdGradientShading, ColourMapCommand(ColourMap::Grey),
                                          kCmdLiveUpdate};
    int entryIndex = 0;
    for (const MenuEntry& entry : resources::MenuTable()) {
        SCOPED_TRACE(::testing::Message()
                     << "menu table entry " << entryIndex++ << " \"" << entry.text << "\"");
        QString label = QString::fromLatin1(entry.text);
        if (entry.kind == MenuKind::EndPopup) {
            ASSERT_FALSE(open.empty());
            EXPECT_EQ(open.back().next, open.back().actions.size()) << "items past the table's";
            open.pop_back();
            continue;
        }
        Cursor* in = open.empty() ? &barCursor : &open.back();
        if (open.empty() && label.startsWith(QChar(resources::kRightJustify))) {
            in = &cornerCursor;
            label = label.mid(1);
        }
        ASSERT_LT(in->next, in->actions.size()) << "the built menu ends early";
        const QAction* action = in->actions[in->next++];
        switch (entry.kind) {
            case MenuKind::Separator:
                EXPECT_TRUE(action->isSeparator()) << action->text().toStdString();
                break;
            case MenuKind::Popup:
                EXPECT_EQ(action->text(), label);
                ASSERT_NE(action->menu(), nullptr);
                open.push_back({action->menu()->actions()});
                break;
            case MenuKind::Item:
                // Open Recent's labels and states follow the list (recent_files_test.cpp).
                EXPECT_TRUE(IsRecentCommand(entry.id) || action->text() == label)
                    << action->text().toStdString();
                EXPECT_EQ(action->menu(), nullptr);
                EXPECT_FALSE(action->isSeparator());
                EXPECT_EQ(action->property(kControlIdProperty).toInt(), entry.id);
                EXPECT_EQ(MenuItem(entry.id), action);
                EXPECT_TRUE(ids.insert(entry.id).second) << "id " << entry.id << " twice";
                // The slice window's presets wait for a CT; Open Recent's items follow the list.
                if (!IsRecentCommand(entry.id)) {
                    EXPECT_EQ(action->isEnabled(), SliceWindowPresetOfCommand(entry.id) == nullptr);
                }
                // Keys belong to the accelerator table alone, or they would act twice.
                EXPECT_TRUE(action->shortcut().isEmpty());
                EXPECT_EQ(action->isChecked(), checkedAtStart.contains(entry.id));
                break;
            case MenuKind::EndPopup:
                break;
        }
    }
    EXPECT_TRUE(open.empty()) << "a pop-up the table leaves open";
    EXPECT_EQ(barCursor.next, barCursor.actions.size());
    EXPECT_EQ(cornerCursor.next, cornerCursor.actions.size());
}

// A few labels as a person reads them, against a table that may be wrong as a whole.
TEST_F(FrameStartUp, MenuBarSpotChecks) {
    QMenuBar* bar = frame->menuBar();
    QStringList titles;
    for (QAction* action : bar->actions()) titles << action->text();
    EXPECT_EQ(titles,
              QStringList({"Model &File", "&Options", "&Display", "&Arrange", "&Parameters"}));
    const std::map<int, QString> expected = {
        {kCmdBallModel, "Development Ball Model"},
        {kCmdExit, "E&xit"},
        {SnapWorldCommand(Face::Bottom), "B&ottom"},
        {RenderTypeCommand(RenderType::Surface), "Sur&face"},
        {kCmdGradientShading, "&Grad Shad\tON/OFF"},
        {kCmdAbout, "&About..."},
        {RenderTypeCommand(RenderType::Maximum), "&Maximum"},
        {RenderTypeCommand(RenderType::Minimum), "M&inimum"},
        {RenderTypeCommand(RenderType::Average), "&Average"},
        {ColourMapCommand(ColourMap::Inverted), "Inverted Grey"},
        {ColourMapCommand(ColourMap::Viridis), "Viridis"},
        {kCmdResetDisplayWindow, "Reset Display &Window"}};
    for (const auto& [id, text] : expected) {
        ASSERT_NE(MenuItem(id), nullptr) << id;
        EXPECT_EQ(MenuItem(id)->text(), text) << id;
    }
    QMenu* options = TopMenu(bar, "&Options");
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(options->actions().contains(MenuItem(kCmdThresholdPanel)));
    const QMenu* snapWorld = nullptr;
    for (const QAction* action : options->actions()) {
        if (action->text() == "Snap &World to:") snapWorld = action->menu();
    }
    ASSERT_NE(snapWorld, nullptr);
    EXPECT_TRUE(snapWorld->actions().contains(MenuItem(SnapWorldCommand(Face::Left))));
    // Help stands apart, at the right end of the bar.
    auto* corner = qobject_cast<QMenuBar*>(bar->cornerWidget(Qt::TopRightCorner));
    ASSERT_NE(corner, nullptr);
    ASSERT_EQ(corner->actions().size(), 1);
    EXPECT_EQ(corner->actions().front()->text(), "&Help");
}

TEST_F(FrameStartUp, InstallsTheAcceleratorTable) {
    std::map<QString, int> commands;
    for (const QShortcut* shortcut : frame->findChildren<QShortcut*>()) {
        commands[shortcut->key().toString()] = shortcut->property(kControlIdProperty).toInt();
        EXPECT_EQ(shortcut->context(), Qt::ApplicationShortcut);
    }
    EXPECT_EQ(commands, (std::map<QString, int>{{"F2", kCmdHelpContents},
                                                {"Ctrl+Q", kCmdHelpContents},
                                                {"Alt+?", kCmdAbout},
                                                {"Alt+/", kCmdAbout},
                                                {"Ctrl+S", kCmdSaveImage},
                                                {"Ctrl+C", kCmdCopyImage},
                                                {"Ctrl+O", kCmdOpenVolume}}));
}

TEST_F(FrameStartUp, FrameKeysScaleTheEyeDistanceWithoutLimit) {
    for (int i = 0; i < 5; ++i) SendCharacter(frame, 'P');
    EXPECT_GT(ProgramSession().orientation.eyeDistance,
              6.0f);  // 4 x 1.1^5 = 6.44, past the windows' 5.5
    ProgramSession().orientation = Orientation();
    for (int i = 0; i < 5; ++i) SendCharacter(frame, 'p');
    EXPECT_LT(ProgramSession().orientation.eyeDistance,
              2.5f);  // 4 x 0.9^5 = 2.36, below the windows' 2.5
}

TEST_F(FrameStartUp, TimerTicksDoNothingWhileTheDemonstrationIsStopped) {
    ProgramSession().renderPending = false;  // start-up's Surface command asked for one
    const Point3 before = ProgramSession().orientation.ViewPlane[0];
    frame->onTimer(kDemoTimerId);
    frame->onTimer(kIdleTimerId);
    EXPECT_EQ(ProgramSession().orientation.ViewPlane[0], before);
    EXPECT_FALSE(ProgramSession().renderPending);
}

TEST_F(MenuCommands, ChoosingAModelCreatesTheGeometryWindowThenTheRenderWindow) {
    EXPECT_EQ(DispatchCommand(frame, kCmdBallModel), 1);
    const auto subs = mdiClient->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(subs.size(), 2);
    EXPECT_NE(dynamic_cast<GeometryWindow*>(subs[0]->widget()), nullptr);
    EXPECT_NE(dynamic_cast<RenderWindow*>(subs[1]->widget()), nullptr);
    EXPECT_EQ(subs[0]->widget(), geometryWindow);
    EXPECT_EQ(subs[1]->widget(), renderWindow);
    EXPECT_EQ(subs[0]->windowTitle(), "Viewing Parameters Geometry");
    EXPECT_EQ(subs[1]->windowTitle(), "Calyra Volume Visualization");
    EXPECT_EQ(ProgramSession().loadCount, 1);
    EXPECT_EQ(Store(ProgramSession()).dims.x, 64);
    EXPECT_TRUE(ProgramSession().renderPending);
}

TEST_F(MenuCommands, SwitchingModelsDestroysTheOldPairFirst) {
    DispatchCommand(frame, kCmdBallModel);
    QPointer<QWidget> oldRender = renderWindow;
    QPointer<QWidget> oldGeometry = geometryWindow;
    DispatchCommand(frame, kCmdMonkey);
    EXPECT_TRUE(oldRender.isNull());
    EXPECT_TRUE(oldGeometry.isNull());
    EXPECT_NE(renderWindow, nullptr);
    EXPECT_NE(geometryWindow, nullptr);
    EXPECT_EQ(mdiClient->subWindowList().size(), 2);
    EXPECT_EQ(ProgramSession().modelType, ModelType::Monkey);
    EXPECT_EQ(ProgramSession().loadCount, 2);
}

TEST_F(MenuCommands, EveryBuiltInModelHasAMenuItemThatBuildsIt) {
    for (const ModelName& m : BuiltInModels()) {
        int items = 0;
        for (const ModelCommand& c : kModelCommands) {
            if (c.model != m.value) continue;
            ++items;
            ASSERT_NE(MenuItem(c.command), nullptr) << m.name;
            EXPECT_EQ(DispatchCommand(frame, c.command), 1) << m.name;
            EXPECT_EQ(ProgramSession().modelType, m.value) << m.name;
            EXPECT_EQ(Store(ProgramSession()).source, SourceForModel(m.value)) << m.name;
            EXPECT_GT(Store(ProgramSession()).dims.x, 0) << m.name;
        }
        EXPECT_EQ(items, 1) << m.name;
    }
}

TEST_F(MenuCommands, LoadFileAfterAModelReplacesItOnceTheNewVolumeIsRead) {
    TempDir dir;
    static std::string chosen;
    chosen = dir.filePath("cube").toStdString();
    {
        QFile data(QString::fromStdString(chosen));
        ASSERT_TRUE(data.open(QIODevice::WriteOnly));
        data.write(QByteArray(5 * 5 * 5, '\x21'));
        QFile side(QString::fromStdString(chosen + ".inf"));
        ASSERT_TRUE(side.open(QIODevice::WriteOnly));
        side.write("X= 5\nY= 5\nZ= 5\nbinary\n1\n0\n");
    }
    SetVolumeFileChooser([](QWidget*) {
        ProgramSession().volumePath = chosen;
        return 1;
    });
    DispatchCommand(frame, kCmdBallModel);
    messages.clear();  // the welcome box
    QPointer<QWidget> oldRender = renderWindow;
    // OK in the import dialog once it runs.
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            qobject_cast<QAbstractButton*>(DialogItem(modal, 1))->click();
        }
    });
    timer->start(10);
    EXPECT_EQ(DispatchCommand(frame, kCmdLoadFile), 1);
    SetVolumeFileChooser(nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(oldRender.isNull());
    EXPECT_NE(renderWindow, nullptr);
    EXPECT_EQ(mdiClient->subWindowList().size(), 2);
    EXPECT_EQ(ProgramSession().modelType, ModelType::Import);
    EXPECT_EQ(ProgramSession().loadCount, 2);
    EXPECT_EQ(Store(ProgramSession()).dims.x, 5);
    EXPECT_EQ(Store(ProgramSession()).voxels[5][5][5], 0x21);
    EXPECT_TRUE(ProgramSession().renderPending);
}

TEST_F(MenuCommands, CancelledLoadFileLeavesTheModelAndItsWindows) {
    SetVolumeFileChooser([](QWidget*) { return 0; });
    messages.clear();  // the welcome box
    // With nothing shown yet the frame stays empty.
    EXPECT_EQ(DispatchCommand(frame, kCmdLoadFile), 1);
    EXPECT_TRUE(mdiClient->subWindowList().isEmpty());
    EXPECT_EQ(ProgramSession().loadCount, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Open File Procedure FAILED!");

    DispatchCommand(frame, kCmdCone);
    QWidget* shown = renderWindow;
    const std::uint64_t generation = Store(ProgramSession()).generation;
    EXPECT_EQ(DispatchCommand(frame, kCmdLoadFile), 1);
    SetVolumeFileChooser(nullptr);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(renderWindow, shown);
    EXPECT_EQ(ProgramSession().modelType, ModelType::Cone);
    EXPECT_EQ(ProgramSession().loadCount, 1);
    EXPECT_EQ(Store(ProgramSession()).generation, generation);
    EXPECT_EQ(mdiClient->subWindowList().size(), 2);
}

TEST_F(MenuCommands, RenderTypeCommandsMoveTheCheckMarkAndThePanelButton) {
    // A projection has no panel button: the panel then shows none checked.
    for (int id :
         {RenderTypeCommand(RenderType::Slice), RenderTypeCommand(RenderType::Surface),
          RenderTypeCommand(RenderType::Maximum), RenderTypeCommand(RenderType::Transparent),
          RenderTypeCommand(RenderType::Transparent), RenderTypeCommand(RenderType::Average),
          RenderTypeCommand(RenderType::Minimum), RenderTypeCommand(RenderType::Surface)}) {
        DispatchCommand(frame, id);
        EXPECT_EQ(RenderTypeCommand(ProgramSession().settings.renderType), id);
        for (const RenderTypeItem& row : kRenderTypeItems) {
            const int item = row.command;
            EXPECT_EQ(IsMenuItemChecked(item), item == id) << "after " << id << ", item " << item;
        }
        if (viewPanel) {
            for (int button : {RenderTypeCommand(RenderType::Surface),
                               RenderTypeCommand(RenderType::Transparent),
                               RenderTypeCommand(RenderType::Slice)}) {
                EXPECT_EQ(IsRadioButtonChecked(viewPanel, button), button == id);
            }
        }
        EXPECT_TRUE(ProgramSession().renderPending);
    }
}

TEST_F(MenuCommands, GradientShadingRendersAgainOnlyForSurface) {
    DispatchCommand(frame, kCmdBallModel);
    DispatchCommand(frame, RenderTypeCommand(RenderType::Transparent));
    Paint(renderWindow);
    ASSERT_FALSE(ProgramSession().renderPending);

    CaptionRecorder recorder(renderWindow);
    DispatchCommand(frame, kCmdGradientShading);
    EXPECT_FALSE(ProgramSession().settings.gradientShading);
    EXPECT_FALSE(ProgramSession().renderPending);
    Paint(renderWindow);
    EXPECT_TRUE(recorder.captions.isEmpty());  // repainted from the stored image

    DispatchCommand(frame, RenderTypeCommand(RenderType::Surface));
    Paint(renderWindow);
    DispatchCommand(frame, kCmdGradientShading);
    EXPECT_TRUE(ProgramSession().settings.gradientShading);
    EXPECT_TRUE(ProgramSession().renderPending);
}

TEST_F(MenuCommands, DisplayTogglesFlipAndRequestARender) {
    DispatchCommand(frame, kCmdStereo);
    EXPECT_TRUE(ProgramSession().settings.stereo);
    EXPECT_TRUE(ProgramSession().renderPending);
    ProgramSession().renderPending = false;
    DispatchCommand(frame, kCmdInterpolate);
    EXPECT_TRUE(ProgramSession().settings.interpolate);
    EXPECT_TRUE(ProgramSession().renderPending);
    DispatchCommand(frame, kCmdStereo);
    DispatchCommand(frame, kCmdInterpolate);
    EXPECT_FALSE(ProgramSession().settings.stereo);
    EXPECT_FALSE(ProgramSession().settings.interpolate);
}

TEST_F(MenuCommands, PanelCommandsHideAndShowThePanels) {
    // The command, then the panel's flag and, where the panel exists, its visibility.
    const auto expectShown = [this](int command, const std::int32_t& shown, const QDialog* panel,
                                    bool visible) {
        DispatchCommand(frame, command);
        EXPECT_EQ(shown, visible ? 1 : 0) << command;
        if (panel) {
            EXPECT_EQ(panel->isVisible(), visible) << command;
        }
    };
    expectShown(kCmdShowViewPanel, viewPanelShown, viewPanel, false);
    expectShown(kCmdShowViewPanel, viewPanelShown, viewPanel, true);
    expectShown(kCmdThresholdPanel, slideBarShown, slideBar, true);
    DispatchCommand(frame, kCmdShowMapPanel);
    EXPECT_EQ(mapPanelShown, 0);
}

TEST_F(MenuCommands, SnapCommandsChooseTheGrabTarget) {
    DispatchCommand(frame, SnapWorldCommand(Face::Top));  // World to Top
    EXPECT_EQ(grabTarget, 0);
    EXPECT_FLOAT_EQ(ProgramSession().orientation.World[10].z,
                    -0.5f);  // the Top face centre now faces the viewer
    DispatchCommand(frame, SnapPlaneCommand(Face::Back));  // ViewPlane to Back
    EXPECT_EQ(grabTarget, 1);
    EXPECT_TRUE(ProgramSession().renderPending);
}

TEST_F(MenuCommands, UnknownIdsAndInertItemsAnswerAsTheTableSays) {
    ProgramSession().renderPending = false;
    EXPECT_EQ(DispatchCommand(frame, 12345), 0);
    for (int id : {kCmdGrabWorld, kCmdGrabViewPlane, kCmdRender}) {
        EXPECT_EQ(DispatchCommand(frame, id), 1);
        EXPECT_FALSE(ProgramSession().renderPending);
    }
    // Only the low 16 bits name the command; accelerators set the high ones.
    EXPECT_EQ(DispatchCommand(frame, (1 << 16) | kCmdInterpolate, 1), 1);
    EXPECT_TRUE(ProgramSession().settings.interpolate);
}

TEST_F(MenuCommands, ModelWindowsRefuseToBeMaximised) {
    DispatchCommand(frame, kCmdBallModel);
    for (QWidget* window : {renderWindow, geometryWindow}) {
        auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
        ASSERT_NE(sub, nullptr);
        EXPECT_FALSE(sub->windowFlags() & Qt::WindowMaximizeButtonHint);
        sub->showMaximized();
        QApplication::processEvents();
        EXPECT_FALSE(sub->isMaximized());
    }
}

TEST_F(MenuCommands, TheRenderWindowFrameIgnoresTheMouse) {
    DispatchCommand(frame, kCmdBallModel);
    auto* sub = qobject_cast<QMdiSubWindow*>(renderWindow->parentWidget());
    const QPoint before = sub->pos();
    const QPoint title(sub->width() / 2, 5);
    const QPoint away = title + QPoint(40, 30);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(title), sub->mapToGlobal(QPointF(title)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, QPointF(away), sub->mapToGlobal(QPointF(away)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(away), sub->mapToGlobal(QPointF(away)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(sub, &press);
    QApplication::sendEvent(sub, &move);
    QApplication::sendEvent(sub, &release);
    EXPECT_EQ(sub->pos(), before);
}

TEST_F(MenuCommands, CoreMessagesBecomeMessageBoxesOwnedAsAsked) {
    DispatchCommand(frame, kCmdBallModel);
    messages.clear();
    ReportMessage({"Could not read file x\n", "", MessageIcon::Error, MessageOwner::RenderWindow});
    ReportMessage({"No owner", "Caption", MessageIcon::Information, MessageOwner::None});
    ReportMessage({"Frame", "", MessageIcon::Warning, MessageOwner::Frame});
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].owner, renderWindow);
    EXPECT_EQ(messages[0].text, "Could not read file x\n");
    EXPECT_EQ(messages[0].caption, "");
    EXPECT_EQ(messages[0].icon, Icon::Error);
    EXPECT_EQ(messages[1].owner, nullptr);
    EXPECT_EQ(messages[1].caption, "Caption");
    EXPECT_EQ(messages[1].icon, Icon::Information);
    EXPECT_EQ(messages[2].owner, frame);
    EXPECT_EQ(messages[2].icon, Icon::Warning);
}

}  // namespace
}  // namespace calyra::ui::testing
