#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QLabel;
class QLineEdit;

namespace kelvane {

// A station as the listener types it.
struct TypedStation
{
    QString name;
    QString url;
};

// Why a typed station cannot be saved, in Chinese; empty when it can.
QString refusalOf(const TypedStation& station);

// The small dialog of "添加电台…" and "编辑…": a name and an address. OK with an empty name or an
// address that is not a network address keeps the dialog open and says why under the fields.
class StationDialog final : public QDialog
{
    Q_OBJECT
public:
    StationDialog(const QString& title, const TypedStation& station, QWidget* parent = nullptr);

    TypedStation station() const;
    QString refusal() const; // what the last OK was refused for
    QLineEdit* nameField() const { return m_name; }
    QLineEdit* urlField() const { return m_url; }

    void accept() override;

private:
    QLineEdit* m_name;
    QLineEdit* m_url;
    QLabel* m_message;
};

// The questions the station lists ask; tests answer them without showing anything.
class StationDialogs
{
public:
    enum class Target
    {
        Radio,
        Tv,
    };
    enum class Export
    {
        List,       // the list as shown
        Own,        // the stations the listener added or imported
        Favourites, // the starred ones
    };

    virtual ~StationDialogs() = default;
    // The station confirmed in the add or edit dialog (already checked); none when cancelled.
    virtual std::optional<TypedStation> editStation(QWidget* parent, const QString& title,
                                                    const TypedStation& station) = 0;
    // A yes/no question, "no" the default.
    virtual bool confirm(QWidget* parent, const QString& text, const QString& title) = 0;
    // A playlist file's path or an http(s) address; empty when cancelled.
    virtual QString importSource(QWidget* parent) = 0;
    // Which list imported stations go into, 收音机 the default; none when cancelled.
    virtual std::optional<Target> importTarget(QWidget* parent) = 0;
    // What to export and the file to write it to; none when cancelled.
    virtual std::optional<std::pair<Export, QString>>
    exportTarget(QWidget* parent, const QString& suggestedName) = 0;
};

// The real questions: Qt dialogs, modal.
class QtStationDialogs final : public StationDialogs
{
public:
    std::optional<TypedStation> editStation(QWidget* parent, const QString& title,
                                            const TypedStation& station) override;
    bool confirm(QWidget* parent, const QString& text, const QString& title) override;
    QString importSource(QWidget* parent) override;
    std::optional<Target> importTarget(QWidget* parent) override;
    std::optional<std::pair<Export, QString>> exportTarget(QWidget* parent,
                                                           const QString& suggestedName) override;
};

} // namespace kelvane
