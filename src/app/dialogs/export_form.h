#pragma once

#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "app/dialogs/dialog_base.h"
#include "convert/pack_formats.h"

class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace faceloom {

// Where and how the current pack is exported: the format (a zip of our pack, a Pidgin theme,
// a freedesktop theme) and the destination (a file for the zip, a new folder for the themes).
// OK is enabled while there is a destination.
class TExportForm : public TDialogBase {
    Q_OBJECT
public:
    explicit TExportForm(QWidget* parent = nullptr);

    void ApplyLanguage(const TLang& lang) override;

    // The destination proposed for a format. While the user has not changed the destination,
    // it follows the format chosen.
    std::function<QString(TPackFormat)> DefaultDestination;
    // Browse asks for a destination, given the format and the destination typed; nothing when
    // the user cancels.
    std::function<std::optional<QString>(TPackFormat, const QString&)> Browse;

    // Chooses the format with its proposed destination (done before every showing).
    void Reset(TPackFormat format);
    void SetFormat(TPackFormat format);
    TPackFormat Format() const;
    void SetDestination(const QString& destination);
    QString Destination() const;

    // The formats offered, in their order on the form.
    static constexpr std::array<TPackFormat, 3> kFormats = {TPackFormat::Zip, TPackFormat::Pidgin,
                                                            TPackFormat::Freedesktop};

private:
    void FormatChosen();
    void UpdateOk();

    QGroupBox* formats_;
    std::array<QRadioButton*, 3> radios_{};
    QLabel* destinationLabel_;
    QLineEdit* destination_;
    QPushButton* browse_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QString proposed_;  // the destination last proposed
};

}  // namespace faceloom
