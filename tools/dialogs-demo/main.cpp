// Renders every dialog of the editor offscreen to PNG files, in the built-in language or in a
// language file, with a drawn title bar so that the captions can be checked too.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs/about_form.h"
#include "app/dialogs/clash_form.h"
#include "app/dialogs/dialog_look.h"
#include "app/dialogs/error_form.h"
#include "app/dialogs/export_form.h"
#include "app/dialogs/import_forms.h"
#include "app/dialogs/load_form.h"
#include "app/dialogs/no_smilies_form.h"
#include "app/dialogs/options_form.h"
#include "app/dialogs/preview_form.h"
#include "app/dialogs/query_form.h"
#include "app/dialogs/save_errors_form.h"
#include "app/dialogs/signature_form.h"
#include "app/dialogs/smile_exists_form.h"
#include "app/dialogs/visual_form.h"
#include "app/dialogs/warning_form.h"
#include "convert/picture_convert.h"
#include "lang/lang.h"
#include "lang/lang_manager.h"
#include "pictures/builtin_pictures.h"
#include "platform/code_page.h"
#include "views/smile_label.h"
#include "views/smile_label_smile.h"

using namespace faceloom;

namespace {

int Usage() {
    std::fprintf(stderr, "usage: faceloom-dialogs-demo --out DIR [--lang FILE]\n");
    return 2;
}

void WaitFor(const std::function<bool()>& done, int milliseconds = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
}

// The dialog's client area under a plain title bar with its caption and close box.
QImage Framed(QWidget& window) {
    const QImage client = window.grab().toImage();
    constexpr int kBar = 24;
    QImage framed(client.width() + 2, client.height() + kBar + 1, QImage::Format_RGB32);
    framed.fill(QColor(0x50, 0x6e, 0x9a));
    QPainter painter(&framed);
    painter.drawImage(1, kBar, client);
    painter.setPen(Qt::white);
    painter.setFont(DialogFont(12, true));
    painter.drawText(QRect(8, 0, framed.width() - 40, kBar), Qt::AlignVCenter | Qt::AlignLeft,
                     window.windowTitle());
    painter.drawText(QRect(framed.width() - 26, 0, 22, kBar), Qt::AlignCenter, QStringLiteral("\u00D7"));
    return framed;
}

// An import of four pictures of which three clash: two with smiles of the pack, one with an
// earlier picture of the same batch.
// A round face of one colour on a transparent ground, as a GIF.
std::vector<uint8_t> Face(uint32_t colour) {
    TRgbaFrame frame;
    frame.Width = frame.Height = 24;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            frame.Pixels.push_back((x - 12) * (x - 12) + (y - 12) * (y - 12) < 110 ? colour : 0);
    TRgbaPicture picture;
    picture.Frames.push_back(frame);
    return EncodeGif(picture);
}

TImportPlan ClashingPlan() {
    TImportPlan plan;
    plan.Items = {{"smile.png", Face(0xFFE0C020), {":-)", ":)"}},
                  {"wink.gif", Face(0xFF20A0E0), {";-)"}},
                  {"Smile2.png", Face(0xFFE04040), {":)"}},
                  {"cool.webp", Face(0xFF40C040), {"B-)"}}};
    TClash first;
    first.Item = 0;
    first.Code = 0;
    first.ExistingSmile = 0;
    first.Renamed = ":-2)";
    TClash second;
    second.Item = 1;
    second.Code = 0;
    second.ExistingSmile = 6;
    second.Choice = TClashChoice::Keep;
    second.Renamed = ";-2)";
    TClash third;
    third.Item = 2;
    third.Code = 0;
    third.EarlierItem = 0;
    third.Choice = TClashChoice::Skip;
    third.Renamed = ":2)";
    plan.Clashes = {first, second, third};
    return plan;
}

TRef<TSmileLabelSmile> PreviewSmile() {
    TRef<TSmileLabelSmile> smile(new TSmileLabelSmile);
    TRef<TPictureDecoder> picture(CreateBuiltinPicture(kPictureSample));
    smile->SetPicture(picture.get());
    return smile;
}

}  // namespace

int main(int argc, char** argv) {
    QString out;
    std::string langFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) {
            out = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--lang" && i + 1 < argc) {
            langFile = argv[++i];
        } else {
            return Usage();
        }
    }
    if (out.isEmpty()) return Usage();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out));
        return 1;
    }
    const TLang lang(langFile, langFile.empty());
    if (!langFile.empty() && lang.BuiltIn()) {
        std::fprintf(stderr, "%s is not a language file\n", langFile.c_str());
        return 1;
    }

    TLoadForm load;
    TAboutForm about;
    TErrorForm error;
    TWarningForm warning;
    TSignatureForm signature;
    TSmileExistsForm exists;
    TPreviewForm preview;
    TVisualForm visual;
    TQueryForm query;
    query.SetPackName(QStringLiteral("sample"));
    TSaveErrorsForm saveErrors;
    TOptionsForm options;
    TNoSmiliesForm noSmilies;
    TClashForm clash;
    TExportForm exportForm;
    TImportTargetForm importTarget;
    TMessagesForm messages;
    const std::vector<TDialogBase*> dialogs = {
        &load,  &about,      &error,   &warning,   &signature, &exists,     &preview,      &visual,
        &query, &saveErrors, &options, &noSmilies, &clash,     &exportForm, &importTarget, &messages};

    // What the callers put in before showing.
    load.SetPhaseText(QString::fromStdU16String(lang.Text(306)));
    load.SetFileText(QStringLiteral("ab.gif"));
    load.SetErrorCount(2);
    load.SetProgressRange(0, 9);
    load.SetProgressPosition(5);
    signature.SetCaption(QString::fromStdU16String(lang.Text(307)));
    signature.SetText(QStringLiteral(":-)"));
    saveErrors.SetCounts(1, 2, 3);
    TLangManager manager(DefaultLanguageDirectory());
    manager.Scan();
    // The list holds the folder's own spelling of the file; select the entry that is the same file.
    std::string key;
    for (int i = 0; i < manager.LanguageCount(); ++i) {
        const std::string candidate = manager.GetKey(i);
        if (!candidate.empty() && !langFile.empty() &&
            QFileInfo(QString::fromStdString(candidate)).canonicalFilePath() ==
                QFileInfo(QString::fromStdString(langFile)).canonicalFilePath()) {
            key = candidate;
        }
    }
    manager.SelectByName(key);
    options.SetLanguageManager(&manager);
    options.CloseOnExit()->setChecked(true);
    options.ShowWarnings()->setChecked(true);
    TRef<TSmileLabelSmile> smile = PreviewSmile();
    smile->FrameIndex = 2;
    preview.Label()->SetSmile(smile.get());
    preview.Label()->SetAnimate(false);
    visual.SetColumnText(QStringLiteral("8"));
    options.CodePattern()->setText(QStringLiteral(":name:"));
    options.MaxWidth()->setValue(256);
    options.MaxHeight()->setValue(256);
    const std::vector<QString> labels = {QString::fromUtf8("\u0443\u043B\u044B\u0431\u043A\u0430"),
                                         QStringLiteral(";-)")};
    clash.SetClashes(
        ClashingPlan(), [&labels](int32_t i) { return labels[i == 0 ? 0 : 1]; },
        [](int32_t i) { return Face(i == 0 ? 0xFFE0C020 : 0xFF9060D0); });
    exportForm.SetDestination(QStringLiteral("/home/user/smiles/party.zip"));
    importTarget.SetSource(QStringLiteral("/home/user/Downloads/tango-theme"));

    for (TDialogBase* dialog : dialogs) dialog->ApplyLanguage(lang);
    // The notes in the language shown, as an import of a folder leaves them.
    QStringList notes;
    const std::vector<std::pair<TImportNoteKind, std::vector<std::string>>> kinds = {
        {TImportNoteKind::Scaled, {"big.png", "600x300", "256x128"}},
        {TImportNoteKind::DamagedPicture, {"broken.jpg", "premature end of data"}},
        {TImportNoteKind::CodeDropped, {"party.gif", "\xF0\x9F\x8E\x89"}}};
    for (const auto& [kind, params] : kinds)
        notes.push_back(QString::fromStdU16String(
            FillPlaceholders(lang.Text(kImportTextBase + static_cast<int>(kind)), params)));
    messages.SetMessage(QString::fromStdU16String(lang.Text(2154)),
                        QString::fromStdU16String(lang.Text(2155)), notes);
    int failures = 0;
    for (TDialogBase* dialog : dialogs) {
        if (dialog == &options) options.FillLanguages();
        dialog->FitToContents();
        dialog->show();
        TSmileLabel* label = dialog == &preview  ? preview.Label()
                             : dialog == &visual ? visual.Sample()
                                                 : nullptr;
        if (label) {
            preview.UpdateButtons();
            preview.UpdateCounter();
            label->SetActive(true);
            WaitFor([label] { return label->RenderCount() > 0; });
        }
        WaitFor([] { return false; }, 150);  // let layout and painting settle
        const QString path = QDir(out).filePath(dialog->objectName() + QStringLiteral(".png"));
        if (!Framed(*dialog).save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        }
        if (label) label->SetActive(false);
        dialog->hide();
    }
    // The signature box refusing a character the pack's code page cannot hold.
    signature.show();
    if (QWidget* edit = signature.findChild<QWidget*>(QStringLiteral("Edit1"))) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u5B57"));
        QApplication::sendEvent(edit, &press);
    }
    WaitFor([] { return false; }, 150);
    if (!Framed(signature).save(QDir(out).filePath(QStringLiteral("SignatureForm-refused.png")))) ++failures;
    signature.hide();
    preview.Label()->SetSmile(nullptr);
    return failures == 0 ? 0 : 1;
}
