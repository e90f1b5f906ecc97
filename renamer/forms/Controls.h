// A small forms toolkit over Win32 controls: only what the renaming window needs.
// Places are in twips (15 to the pixel). Colours are 0x00BBGGRR; a value with 0x80000000 set
// names a system colour by its index. Labels, images and frames are windowless: the form
// draws them and hit-tests them, so they can be transparent and overlap freely.
// Events are plain std::function members; the form fires them so that nothing thrown by a
// handler ever unwinds through the system's message dispatch.
#ifndef FORMS_CONTROLS_H
#define FORMS_CONTROLS_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace forms {

class Form;

struct Fonte {
    std::wstring nome = L"Arial";
    double pontos = 8.25;
    bool negrito = false;
    bool italico = false;
};

const int kTwipsPorPixel = 15;
inline int Pixels(int twips) { return MulDiv(twips, 1, kTwipsPorPixel); }
COLORREF CorReal(unsigned long cor);

const unsigned long kCorDaAreaDeTrabalho = 0x8000000C;

class Control {
public:
    explicit Control(const wchar_t* nome) : nome_(nome) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::wstring& Nome() const { return nome_; }
    void Place(int left, int top, int width, int height);
    RECT Retangulo() const;  // pixels, in the form's client area
    void SetFont(const Fonte& f);
    const Fonte& Font() const { return fonte_; }
    void SetBackColor(unsigned long cor);
    unsigned long BackColor() const { return fundo_; }
    void SetForeColor(unsigned long cor);
    unsigned long ForeColor() const { return frente_; }
    bool Enabled() const { return habilitado_; }
    void SetEnabled(bool sim);
    bool Visible() const { return visivel_; }
    void SetVisible(bool sim);
    void SetCustomPointer(bool sim) { ponteiro_ = sim; }
    bool CustomPointer() const { return ponteiro_; }
    HWND Hwnd() const { return hwnd_; }

    std::function<void()> OnClick;

protected:
    friend class Form;
    virtual bool Janela() const { return true; }
    virtual void Cria(Form& form, int id) = 0;
    virtual void Pinta(HDC) {}
    virtual void Notifica(int /*codigo*/) {}
    virtual void BotaoAbaixo(int /*botao*/, int /*shift*/, int /*x*/, int /*y*/) {}
    void CriaJanela(Form& form, int id, const wchar_t* classe, DWORD estilo, DWORD estiloEx, const std::wstring& texto,
                    int alturaExtra = 0);
    void Redesenha();
    void Destruida() { hwnd_ = nullptr; }
    void Dispara(const std::function<void()>& evento);

    std::wstring nome_;
    Form* form_ = nullptr;
    HWND hwnd_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;  // twips
    Fonte fonte_;
    unsigned long fundo_ = 0x8000000F;
    unsigned long frente_ = 0x80000012;
    bool habilitado_ = true;
    bool visivel_ = true;
    bool ponteiro_ = false;
    bool temFundo_ = false;
    bool temFrente_ = false;
};

class TextBox : public Control {
public:
    using Control::Control;
    std::wstring Text() const;
    void SetText(const std::wstring& t);
    std::function<void()> OnLostFocus;

protected:
    void Cria(Form& form, int id) override;
    void Notifica(int codigo) override;

private:
    std::wstring texto_;
};

class CheckBox : public Control {
public:
    using Control::Control;
    int Value() const { return valor_; }
    // A change of value, by the user or by code, raises Click.
    void SetValue(int v);

protected:
    void Cria(Form& form, int id) override;
    void Notifica(int codigo) override;

private:
    int valor_ = 0;
};

class Button : public Control {
public:
    using Control::Control;
    void SetCaption(const std::wstring& c);
    const std::wstring& Caption() const { return legenda_; }

protected:
    void Cria(Form& form, int id) override;
    void Notifica(int codigo) override;

private:
    std::wstring legenda_;
};

// A drop-down combo box whose text can also be typed.
class ComboBox : public Control {
public:
    using Control::Control;
    void AddItem(const std::wstring& item);
    int ListCount() const { return static_cast<int>(itens_.size()); }
    std::wstring List(int i) const;
    int ListIndex() const { return indice_; }
    // Choosing an entry, by the user or by code, raises Click.
    void SetListIndex(int i);
    std::wstring Text() const;
    void SetText(const std::wstring& t);

protected:
    void Cria(Form& form, int id) override;
    void Notifica(int codigo) override;

private:
    void AlargaALista(Form& form);
    std::vector<std::wstring> itens_;
    int indice_ = -1;
    std::wstring texto_;
};

// A list box in which several entries can be selected at once; entries stay in the order added.
class ListBox : public Control {
public:
    using Control::Control;
    void AddItem(const std::wstring& item);
    void Clear();
    int ListCount() const { return static_cast<int>(itens_.size()); }
    std::wstring List(int i) const;
    bool Selected(int i) const;
    void SetSelected(int i, bool sim);
    // Selects every entry and puts the focus on the last one, as selecting them one by one
    // would, in one message.
    void SelectAll();
    // The indexes of the selected entries, in ascending order, read in one call.
    std::vector<int> SelectedIndexes() const;
    int ListIndex() const;      // the entry that has the focus, -1 when none
    std::wstring Text() const;  // the text of that entry

    // A batch of up to `esperados` entries follows: until EndFill the list reserves its
    // storage once and neither redraws nor updates its scroll bar per entry; EndFill repaints
    // it once. Entries read the same as when added one by one.
    void BeginFill(size_t esperados);
    void EndFill();

protected:
    void Cria(Form& form, int id) override;
    void Notifica(int codigo) override;

private:
    std::vector<std::wstring> itens_;
    std::vector<bool> selecionados_;  // kept while there is no window
    int foco_ = -1;
    size_t esperados_ = 0;      // announced by BeginFill, reserved at the batch's first entry
    bool preenchendo_ = false;  // a batch is open
    bool semRedesenho_ = false; // the window's redraw is off for it
};

// The drives of the machine; Drive is the chosen entry's text ("c:").
class DriveList : public Control {
public:
    using Control::Control;
    std::wstring Drive() const;
    // Takes the drive letter of any path or drive text; another drive raises Change.
    void SetDrive(const std::wstring& caminho);
    std::function<void()> OnChange;

    // Where the list of drives comes from (the machine's drives unless replaced).
    static std::function<std::vector<std::wstring>()> FonteDeDrives;

protected:
    void Cria(Form& form, int id) override;
    void Notifica(int codigo) override;

private:
    void Enche();
    std::vector<std::wstring> drives_;
    int indice_ = -1;
};

// The folder list: the open folder's ancestors, the folder itself and its sub-folders.
// Indexes follow the usual convention: -1 is the open folder, -2 its parent and so on,
// 0 and up its sub-folders.
class DirList : public Control {
public:
    using Control::Control;
    const std::wstring& Path() const { return caminho_; }
    // A drive text ("q:") opens the folder last open on that drive, else its root.
    // A path that cannot be opened raises an error and changes nothing; a new path raises Change.
    void SetPath(const std::wstring& caminho);
    int ListCount() const { return static_cast<int>(linhas_.size()) - aberta_ - 1; }
    int ListIndex() const { return selecionada_ - aberta_ - 1; }
    void SetListIndex(int i);
    std::wstring List(int i) const;
    std::function<void()> OnChange;

protected:
    void Cria(Form& form, int id) override;
    void Notifica(int codigo) override;

private:
    void Enche();
    std::wstring caminho_;
    std::vector<std::wstring> linhas_;  // full path of every row
    std::vector<std::wstring> textos_;  // what every row shows
    int aberta_ = -1;                   // row of the open folder
    int selecionada_ = -1;
    std::vector<std::pair<wchar_t, std::wstring>> ultimaPorDrive_;
};

// Windowless text.
class Label : public Control {
public:
    using Control::Control;
    enum class Alinhamento { Esquerda, Centro };
    const std::wstring& Caption() const { return legenda_; }
    void SetCaption(const std::wstring& c);
    void SetAlignment(Alinhamento a) { alinhamento_ = a; }
    void SetBorder(bool sim) { borda_ = sim; }
    void SetOpaque(bool sim) { opaco_ = sim; }
    void Refresh();  // repaint at once
    std::function<void(int botao, int shift, int x, int y)> OnMouseDown;

protected:
    bool Janela() const override { return false; }
    void Cria(Form& form, int id) override;
    void Pinta(HDC dc) override;
    void BotaoAbaixo(int botao, int shift, int x, int y) override;

private:
    std::wstring legenda_;
    Alinhamento alinhamento_ = Alinhamento::Esquerda;
    bool borda_ = false;
    bool opaco_ = false;
};

// Windowless picture, stretched to the control.
class Image : public Control {
public:
    using Control::Control;
    ~Image() override;
    void SetPicture(HBITMAP b);  // takes ownership
    HBITMAP Picture() const { return imagem_; }
    void SetBorder(bool sim) { borda_ = sim; }

protected:
    bool Janela() const override { return false; }
    void Cria(Form& form, int id) override;
    void Pinta(HDC dc) override;

private:
    HBITMAP imagem_ = nullptr;
    bool borda_ = false;
};

// Windowless group; the renaming window keeps its hidden objects in one.
class Frame : public Control {
public:
    using Control::Control;
    void SetCaption(const std::wstring& c) { legenda_ = c; }
    const std::wstring& Caption() const { return legenda_; }

protected:
    bool Janela() const override { return false; }
    void Cria(Form& form, int id) override;
    void Pinta(HDC dc) override;

private:
    std::wstring legenda_;
};

class Timer {
public:
    explicit Timer(const wchar_t* nome) : nome_(nome) {}
    void SetInterval(unsigned ms);
    unsigned Interval() const { return intervalo_; }
    void SetEnabled(bool sim);
    bool Enabled() const { return ligado_; }
    std::function<void()> OnTimer;

private:
    friend class Form;
    void Arma();
    std::wstring nome_;
    Form* form_ = nullptr;
    UINT_PTR id_ = 0;
    unsigned intervalo_ = 0;
    bool ligado_ = false;
};

}  // namespace forms

#endif
