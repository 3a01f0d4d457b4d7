// faceloom-grid-demo [--static] [--row-width N] FOLDER
//
// Opens the pack in FOLDER through the pack model in a throwaway storage (a temporary folder
// made the per-user data folder, removed at exit) and shows it in the smile grid with the
// main window's settings: hot-tracking, selection, dragging with the insert point, signatures
// under the pictures, the hand cursor, file drops. Moves and drops are applied to the model,
// so the grid shows what the pack would become; the pack folder itself is never written.
#include <QApplication>
#include <QFont>
#include <QMainWindow>
#include <QStatusBar>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "model/define_decoder.h"
#include "pictures/builtin_pictures.h"
#include "platform/code_page.h"
#include "storage/storage_layout.h"
#include "views/drag_host.h"
#include "views/layered_windows.h"
#include "views/smile_view.h"
#include "views/smile_view_smile.h"

namespace {

using namespace faceloom;

int Usage() {
    std::fprintf(stderr, "usage: faceloom-grid-demo [--static] [--row-width N] FOLDER\n");
    return 2;
}

// The main window's settings of its grid.
void ApplyMainWindowSettings(TSmileView& grid, int32_t rowWidth) {
    grid.setObjectName("SmileView1");
    grid.ForcePostSelect = true;
    grid.SetAllowHotTrack(true);
    grid.SetAllowSelecting(true);
    grid.AllowDragAndDrop = true;
    grid.AnimatedDraggingAllowed = true;
    grid.SetShowSignatures(true);
    grid.SetAnimateAll(true);
    grid.AutoFocus = true;
    grid.TrackCursor = true;
    grid.ShowInsertPoint = true;
    grid.AllowDragOffset = true;
    grid.SetEnableDragAccept(true);
    grid.AllowMaskedHitTest = false;
    grid.SimpleMaskedHitTest = false;
    grid.SetRowWidth(rowWidth);
    grid.SetHotTrackColor(0xFFF0F0);
    grid.SetHotTrackBorderColor(0xFF8080);
    grid.SetColor(0xFFFFFF);
    grid.SetFontColor(0xFF000008);
    QFont font("Tahoma");
    font.setPixelSize(11);
    grid.setFont(font);
}

QString LabelText(const TDefineDecoder& model, int32_t index) {
    return QString::fromStdU16String(CodePageToUnicode(model.Label(index)));
}

// A grid instance for smile index of the model: the model's own instance when it has a
// picture, else a new one showing the built-in placeholder.
TSmileViewSmile* GridSmile(const TDefineDecoder& model, int32_t index) {
    TSmile* smile = model.Smile(index);
    auto* own = dynamic_cast<TSmileViewSmile*>(smile);
    if (own && own->Picture.load()) return own;
    auto* placeholder = new TSmileViewSmile();
    placeholder->SetPicture(BuiltinPicture(smile && smile->LoadError ? kPictureFailed : kPictureMissing));
    return placeholder;
}

void FillGrid(const TDefineDecoder& model, TSmileView& grid) {
    for (int32_t i = 0; i < model.SmileCount(); ++i)
        grid.Smiles().AddObject(LabelText(model, i), GridSmile(model, i));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    bool isStatic = false;
    int32_t rowWidth = 10;
    std::string folder;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--static") {
            isStatic = true;
        } else if (args[i] == "--row-width" && i + 1 < args.size()) {
            rowWidth = args[++i].toInt();
        } else if (folder.empty() && !args[i].startsWith("--")) {
            folder = args[i].toStdString();
        } else {
            return Usage();
        }
    }
    if (folder.empty()) return Usage();

    // The model keeps its working copies under the per-user data folder: make that a
    // temporary one so that the user's own storage is never touched.
    QTemporaryDir storage(QDir::tempPath() + "/faceloom-grid-demo-XXXXXX");
    if (!storage.isValid()) {
        std::fprintf(stderr, "faceloom-grid-demo: cannot create a temporary storage folder\n");
        return 1;
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(storage.path()));

    int result = 0;
    {
        auto model = std::make_unique<TDefineDecoder>("Storage");
        model->SmileClass = [] { return new TSmileViewSmile(); };
        model->SetBothMode(false);
        model->SetCurrentPack(isStatic ? kStaticPack : kAnimatedPack);
        if (!folder.empty() && folder.back() != '/') folder += '/';
        if (!model->OpenPack(folder + "_define.ini")) {
            std::fprintf(stderr, "faceloom-grid-demo: the pack in %s could not be opened\n", folder.c_str());
            return 1;
        }

        // The floating drag image: its host outlives the window and hands the dispatcher over.
        TDragDispatcherBase* dispatcher = nullptr;
        TDragHost dragHost([&dispatcher](TDragDispatcherBase* handed) { dispatcher = handed; });
        QMainWindow window;
        window.setWindowTitle(QString("Faceloom grid demo — %1").arg(QString::fromStdString(folder)));
        auto* grid = new TSmileView(&window);
        ApplyMainWindowSettings(*grid, rowWidth);
        grid->SetDragDispatcher(dispatcher);
        grid->SetLayeredWindowsAvailable(LayeredWindowsAvailable());
        window.setCentralWidget(grid);
        auto showCount = [&] {
            window.statusBar()->showMessage(QString("%1 smiles, %2 load errors, %3 missing")
                                                .arg(model->SmileCount())
                                                .arg(model->ErrorCount(0))
                                                .arg(model->ErrorCount(1)));
        };
        grid->OnSelect = [&](TSmileView&, int32_t index) {
            if (index >= 0)
                window.statusBar()->showMessage(
                    QString("smile %1: %2").arg(index).arg(LabelText(*model, index)));
        };
        grid->OnSmileMove = [&](TSmileView&, int32_t from, int32_t to) {
            model->MoveSmile(from, to);
            std::printf("moved %d -> %d\n", from, to);
            std::fflush(stdout);
        };
        grid->OnDropFiles = [&](TSmileView& sender, int32_t index, const QStringList& files) {
            // Inserted one after another right after the smile they were dropped on.
            int32_t at = index;
            sender.SetActive(false);
            for (const QString& file : files) {
                if (!model->InsertSmile(at + 1, QFile::encodeName(file).toStdString())) continue;
                ++at;
                sender.Smiles().InsertObject(at, LabelText(*model, at), GridSmile(*model, at));
            }
            sender.SetActive(true);
            sender.SetItemIndex(at);
            showCount();
        };
        FillGrid(*model, *grid);
        grid->SetActive(true);
        showCount();
        window.resize(680, 498);
        window.show();
        result = QApplication::exec();
        grid->SetActive(false);
        grid->Smiles().Clear();
        model->ClosePack();
    }
    ReleaseBuiltinPictures();
    return result;
}
