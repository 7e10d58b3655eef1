#pragma once
// A table of stored settings.  Each row says where a value lives (section and
// key), what it is when absent or unreadable, and how to take it from its
// owner and give it back; the same rows read the settings and write them, so
// every key is spelled once.  The store is a registry key or a profile file:
// anything with readBool/readInteger/readString and the matching writers.
#include <QString>
#include <functional>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace platform {

class SettingsTable {
public:
    template <typename T> using Fallback = std::function<T()>;
    template <typename T> using Getter = std::function<T()>;
    template <typename T> using Setter = std::function<void(T)>;

    // A default may depend on rows read before it (a window centred on the size just read).
    SettingsTable &boolean(const QString &section, const QString &key, Fallback<bool> fallback, Getter<bool> get,
                           Setter<bool> set)
    {
        rows_.push_back({section, key, Row::Kind(std::in_place_index<0>, std::move(fallback), std::move(get), std::move(set))});
        return *this;
    }
    SettingsTable &integer(const QString &section, const QString &key, Fallback<int> fallback, Getter<int> get,
                           Setter<int> set)
    {
        rows_.push_back({section, key, Row::Kind(std::in_place_index<1>, std::move(fallback), std::move(get), std::move(set))});
        return *this;
    }
    SettingsTable &text(const QString &section, const QString &key, Fallback<QString> fallback, Getter<QString> get,
                        Setter<QString> set)
    {
        rows_.push_back({section, key, Row::Kind(std::in_place_index<2>, std::move(fallback), std::move(get), std::move(set))});
        return *this;
    }

    // Gives every row its stored value, in the table's order.
    template <typename Store> void readFrom(const Store &store) const
    {
        for (const Row &row : rows_) {
            std::visit(
                [&](const auto &binding) {
                    using T = typename std::decay_t<decltype(binding)>::Type;
                    binding.set(read<T>(store, row.section, row.key, binding.fallback()));
                },
                row.kind);
        }
    }

    // Stores every row, in the table's order; false as soon as the store refuses one.
    template <typename Store> bool writeTo(Store &store) const
    {
        for (const Row &row : rows_) {
            const bool written = std::visit(
                [&](const auto &binding) {
                    using T = typename std::decay_t<decltype(binding)>::Type;
                    return write<T>(store, row.section, row.key, binding.get());
                },
                row.kind);
            if (!written)
                return false;
        }
        return true;
    }

private:
    template <typename T> struct Binding {
        using Type = T;
        Binding(Fallback<T> f, Getter<T> g, Setter<T> s) : fallback(std::move(f)), get(std::move(g)), set(std::move(s)) {}
        Fallback<T> fallback;
        Getter<T> get;
        Setter<T> set;
    };
    struct Row {
        using Kind = std::variant<Binding<bool>, Binding<int>, Binding<QString>>;
        QString section, key;
        Kind kind;
    };

    template <typename T, typename Store>
    static T read(const Store &store, const QString &section, const QString &key, const T &fallback)
    {
        if constexpr (std::is_same_v<T, bool>)
            return store.readBool(section, key, fallback);
        else if constexpr (std::is_same_v<T, int>)
            return store.readInteger(section, key, fallback);
        else
            return store.readString(section, key, fallback);
    }

    // Stores that cannot fail return nothing; the others say whether they wrote.
    template <typename T, typename Store>
    static bool write(Store &store, const QString &section, const QString &key, const T &value)
    {
        auto call = [&] {
            if constexpr (std::is_same_v<T, bool>)
                return store.writeBool(section, key, value);
            else if constexpr (std::is_same_v<T, int>)
                return store.writeInteger(section, key, value);
            else
                return store.writeString(section, key, value);
        };
        if constexpr (std::is_void_v<decltype(call())>) {
            call();
            return true;
        } else {
            return call();
        }
    }

    std::vector<Row> rows_;
};

// A default that is a plain value.
template <typename T> std::function<T()> always(T value)
{
    return [value] { return value; };
}

} // namespace platform
