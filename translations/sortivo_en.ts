<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
    <name>KeyNames</name>
    <message>
        <source>漢字</source>
        <translation>Kanji</translation>
    </message>
    <message>
        <source>変換</source>
        <translation>Henkan</translation>
    </message>
    <message>
        <source>無変換</source>
        <translation>Muhenkan</translation>
    </message>
    <message>
        <source>英数</source>
        <translation>Eisu</translation>
    </message>
    <message>
        <source>カタカナ/ひらがな</source>
        <translation>Katakana/Hiragana</translation>
    </message>
    <message>
        <source>半角/全角</source>
        <translation>Hankaku/Zenkaku</translation>
    </message>
    <message>
        <source>キー %1</source>
        <translation>Key %1</translation>
    </message>
</context>
<context>
    <name>KeyPanel</name>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>ここにフォルダをドロップすると下位フォルダを検索します。</source>
        <translation>Drop a folder here to search its sub-folders.</translation>
    </message>
    <message>
        <source>クリックして選択すると右上の入力欄にパスを表示します。</source>
        <translation>Click a row to show its path in the field at the top right.</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Abort</translation>
    </message>
    <message>
        <source>振り分け先フォルダをドロップします。
下のパスを直接書き替えても構いません。</source>
        <translation>Drop the destination folder here.
You may also edit the path below directly.</translation>
    </message>
    <message>
        <source>割り当てるキーを下に入力します。
半角イコール(=)と半角コロン(:)は使わないでください。</source>
        <translation>Type the key to bind below.
Do not use the equals sign (=) or the colon (:).</translation>
    </message>
    <message>
        <source>←ここをチェックすると↑のキーは移動専用になります。(&amp;M)</source>
        <translation>← Check this to make the key above move-only (&amp;M)</translation>
    </message>
    <message>
        <source>必要に応じてキーの簡単な説明を記入します。</source>
        <translation>Add a short description of the key if you like.</translation>
    </message>
    <message>
        <source>[記録するセクションを選びます。]</source>
        <translation>[Choose the section to record into.]</translation>
    </message>
    <message>
        <source>登録ボタンで登録、終了ボタンで終了します。</source>
        <translation>Register binds the key; Close closes this panel.</translation>
    </message>
    <message>
        <source>キー削除</source>
        <translation>Delete key</translation>
    </message>
    <message>
        <source>登録(&amp;R)</source>
        <translation>Register (&amp;R)</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>Close (&amp;X)</translation>
    </message>
    <message>
        <source>上で選んだセクションの内容を表示します。</source>
        <translation>Shows the lines of the section chosen above.</translation>
    </message>
    <message>
        <source>クリックして選択すると編集できます。</source>
        <translation>Click a line to edit it.</translation>
    </message>
    <message>
        <source>上書きしますか？
%1
%2</source>
        <translation>Overwrite?
%1
%2</translation>
    </message>
</context>
<context>
    <name>PrefPanel</name>
    <message>
        <source>キーコードモニタ</source>
        <translation>Key code monitor</translation>
    </message>
    <message>
        <source>自動補完する。(&amp;A)</source>
        <translation>Complete keys automatically (&amp;A)</translation>
    </message>
    <message>
        <source>Enter で入力欄を空にする。(&amp;E)</source>
        <translation>Clear the input field on Enter (&amp;E)</translation>
    </message>
    <message>
        <source>Enter でコピーする。(&amp;C)</source>
        <translation>Copy on Enter (&amp;C)</translation>
    </message>
    <message>
        <source>リストには相対パスで記録する。(&amp;L)</source>
        <translation>Write relative paths into list files (&amp;L)</translation>
    </message>
    <message>
        <source>色見本</source>
        <translation>Colour sample</translation>
    </message>
    <message>
        <source>入力欄の標準色</source>
        <translation>Input field</translation>
    </message>
    <message>
        <source>移動後の色</source>
        <translation>After a move</translation>
    </message>
    <message>
        <source>コピー後の色</source>
        <translation>After a copy</translation>
    </message>
    <message>
        <source>拡張子修正後の色</source>
        <translation>Extension corrected</translation>
    </message>
    <message>
        <source>同一ファイル通知色</source>
        <translation>Same file</translation>
    </message>
    <message>
        <source>空フォルダ通知色</source>
        <translation>Empty folder</translation>
    </message>
    <message>
        <source>移動/コピー失敗警告色</source>
        <translation>Move/copy failed</translation>
    </message>
    <message>
        <source>ここにフォーカスがあるときに押したキーのコードを調べます。</source>
        <translation>Press a key while this field has the focus to see its code.</translation>
    </message>
    <message>
        <source>自動補完キー</source>
        <translation>Completion</translation>
    </message>
    <message>
        <source>パニックキー</source>
        <translation>Panic key</translation>
    </message>
    <message>
        <source>ワンキー切り替え</source>
        <translation>One-key mode</translation>
    </message>
    <message>
        <source>前の画像</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>次の画像</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>先頭の画像</source>
        <translation>First</translation>
    </message>
    <message>
        <source>末尾の画像</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>スクロール</source>
        <translation>Scroll</translation>
    </message>
    <message>
        <source>上</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>左回転</source>
        <translation>Turn left</translation>
    </message>
    <message>
        <source>右回転</source>
        <translation>Turn right</translation>
    </message>
    <message>
        <source>ディレクトリ移動</source>
        <translation>Folders</translation>
    </message>
    <message>
        <source>前</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>次</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>言語 (次の起動から)</source>
        <translation>Language (next start)</translation>
    </message>
    <message>
        <source>システムに従う</source>
        <translation>As the system</translation>
    </message>
    <message>
        <source>日本語</source>
        <translation>Japanese</translation>
    </message>
    <message>
        <source>英語</source>
        <translation>English</translation>
    </message>
    <message>
        <source>登録(&amp;R)</source>
        <translation>Register (&amp;R)</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>Close (&amp;X)</translation>
    </message>
    <message>
        <source>全画面表示</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>やり直し</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>ごみ箱へ</source>
        <translation>To trash</translation>
    </message>
    <message>
        <source>サイドカーの拡張子</source>
        <translation>Sidecar extensions</translation>
    </message>
</context>
<context>
    <name>TApplication</name>
    <message>
        <source>Unknown error</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>TCommandLine</name>
    <message>
        <source>使い方: sortivo [オプション] [フォルダー | 画像 | リストファイル]

画像を一枚ずつ表示し、キーと Enter で登録先のフォルダーへ移動・コピーしたり、
リストファイルに書き込んだりして振り分けます。
開くものを指定すると、起動してすぐにそれを開きます。

  -h, --help     この説明を表示して終了する
  -v, --version  版を表示して終了する
  --             これより後はオプションでなくファイル名として扱う
</source>
        <translation>Usage: sortivo [OPTION] [FOLDER | PICTURE | LIST FILE]

Shows pictures one at a time and sorts them: a key and Enter move or copy the picture
into the folder bound to that key, or write its path into a list file.
Given something to open, it opens it at start.

  -h, --help     show this help and exit
  -v, --version  show the version and exit
  --             take every later argument as a file name, not as an option
</translation>
    </message>
</context>
<context>
    <name>TDesktopTrash</name>
    <message>
        <source>ファイル名を扱えません: </source>
        <translation>Cannot handle the file name: </translation>
    </message>
    <message>
        <source>ごみ箱のフォルダを用意できません: </source>
        <translation>Cannot prepare the trash folder: </translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>中止</source>
        <translation>Abort</translation>
    </message>
</context>
<context>
    <name>TForm2</name>
    <message>
        <source>Next</source>
        <translation>Next</translation>
    </message>
</context>
<context>
    <name>TJournal</name>
    <message>
        <source>ファイル %1 は読めないので、これまでの操作は元に戻せません: %2</source>
        <translation>The file %1 cannot be read, so earlier steps cannot be undone: %2</translation>
    </message>
    <message>
        <source>ファイル %1 は大きすぎるので読めません。これまでの操作は元に戻せません</source>
        <translation>The file %1 is too large to read. Earlier steps cannot be undone</translation>
    </message>
    <message>
        <source>ファイル %1 の %2 行は壊れているので読み飛ばしました</source>
        <translation>%2 damaged lines of the file %1 were skipped</translation>
    </message>
    <message>
        <source>ファイル %1 は他で使われているので、この回の操作は終了後には元に戻せません</source>
        <translation>The file %1 is in use elsewhere, so the steps of this session cannot be undone after it ends</translation>
    </message>
</context>
<context>
    <name>TKeyListBox</name>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TMainMenu</name>
    <message>
        <source>メニュー(&amp;F)</source>
        <translation>Menu (&amp;F)</translation>
    </message>
    <message>
        <source>キー(&amp;K)</source>
        <translation>Keys (&amp;K)</translation>
    </message>
    <message>
        <source>設定(&amp;P)</source>
        <translation>Preferences (&amp;P)</translation>
    </message>
    <message>
        <source>開く(&amp;O)</source>
        <translation>Open (&amp;O)</translation>
    </message>
    <message>
        <source>続き(&amp;R)</source>
        <translation>Resume (&amp;R)</translation>
    </message>
    <message>
        <source>フォント(&amp;F)</source>
        <translation>Font (&amp;F)</translation>
    </message>
    <message>
        <source>標準(&amp;E)</source>
        <translation>Standard order (&amp;E)</translation>
    </message>
    <message>
        <source>昇順(&amp;A)</source>
        <translation>Ascending (&amp;A)</translation>
    </message>
    <message>
        <source>降順(&amp;D)</source>
        <translation>Descending (&amp;D)</translation>
    </message>
    <message>
        <source>シャッフル(&amp;S)</source>
        <translation>Shuffle (&amp;S)</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>Quit (&amp;X)</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>Undo (&amp;U)</translation>
    </message>
    <message>
        <source>やり直し(&amp;Y)</source>
        <translation>Redo (&amp;Y)</translation>
    </message>
    <message>
        <source>ごみ箱へ(&amp;T)</source>
        <translation>Move to trash (&amp;T)</translation>
    </message>
</context>
<context>
    <name>TPictureArea</name>
    <message>
        <source>画像を開くには</source>
        <translation>To open pictures</translation>
    </message>
    <message>
        <source>フォルダや画像をこのウィンドウにドロップするか、</source>
        <translation>Drop a folder or a picture on this window,</translation>
    </message>
    <message>
        <source>上の入力欄にパスを入力して Enter を押します。</source>
        <translation>or type its path into the field above and press Enter.</translation>
    </message>
    <message>
        <source>振り分けるには</source>
        <translation>To sort them</translation>
    </message>
    <message>
        <source>「メニュー → キー」で、振り分け先のフォルダにキーを登録します。</source>
        <translation>Bind a key to each destination folder under Menu → Keys:</translation>
    </message>
    <message>
        <source>フォルダをドロップし、キーを入力して「登録」を押します。</source>
        <translation>drop the folder, type a key and press Register.</translation>
    </message>
    <message>
        <source>あとはキーを入力して Enter で移動、Shift+Enter でコピーします。</source>
        <translation>Then a key and Enter move the picture there, a key and Shift+Enter copy it.</translation>
    </message>
    <message>
        <source>主なキー</source>
        <translation>Keys</translation>
    </message>
    <message>
        <source>前の画像 / 次の画像</source>
        <translation>previous / next picture</translation>
    </message>
    <message>
        <source>先頭 / 末尾の画像</source>
        <translation>first / last picture</translation>
    </message>
    <message>
        <source>ウィンドウを最小化</source>
        <translation>minimise the window</translation>
    </message>
</context>
<context>
    <name>TSortingSession</name>
    <message>
        <source>ファイル %1 が見つからないので元に戻せません</source>
        <translation>The file %1 cannot be found, so the step cannot be undone</translation>
    </message>
    <message>
        <source>ファイル %1 が見つからないのでやり直せません</source>
        <translation>The file %1 cannot be found, so the step cannot be redone</translation>
    </message>
    <message>
        <source>ファイル %1 はごみ箱の中の場所が分からないので元に戻せません</source>
        <translation>Where the file %1 went in the trash is not known, so it cannot be restored</translation>
    </message>
    <message>
        <source>ファイル %1 に戻せません</source>
        <translation>The file cannot be put back as %1</translation>
    </message>
    <message>
        <source>ファイル %1 は変更されているので元に戻せません</source>
        <translation>The file %1 has changed, so the step cannot be undone</translation>
    </message>
    <message>
        <source>ファイル %1 の最後の行が変わっているので元に戻せません</source>
        <translation>The last line of the file %1 has changed, so the step cannot be undone</translation>
    </message>
    <message>
        <source>ファイル %1 は作れません</source>
        <translation>The file %1 cannot be created</translation>
    </message>
    <message>
        <source>ファイル %1 を %2 に戻せません</source>
        <translation>The file %1 cannot be moved back to %2</translation>
    </message>
    <message>
        <source>ファイル %1 を削除できません</source>
        <translation>The file %1 cannot be deleted</translation>
    </message>
    <message>
        <source>ファイル %1 に移動できません</source>
        <translation>The file cannot be moved to %1</translation>
    </message>
    <message>
        <source>ファイル %1 にコピーできません</source>
        <translation>The file cannot be copied to %1</translation>
    </message>
    <message>
        <source>ファイル %1 はごみ箱に移せません</source>
        <translation>The file %1 cannot be moved to the trash</translation>
    </message>
    <message>
        <source>ファイル %1 はごみ箱に移せません: %2</source>
        <translation>The file %1 cannot be moved to the trash: %2</translation>
    </message>
</context>
<context>
    <name>TUserText</name>
    <message>
        <source>ファイル %1 は開けません</source>
        <translation>The file %1 cannot be opened</translation>
    </message>
    <message>
        <source>ファイル %1 に書き込めません: %2</source>
        <translation>Cannot write to the file %1: %2</translation>
    </message>
    <message>
        <source>HEIF、AVIF、JPEG XL、RAW の画像を読む %1 がありません</source>
        <translation>%1, which reads HEIF, AVIF, JPEG XL and raw pictures, is missing</translation>
    </message>
    <message>
        <source>PNG、GIF、WebP、TIFF の画像を読む %1 がありません</source>
        <translation>%1, which reads PNG, GIF, WebP and TIFF pictures, is missing</translation>
    </message>
</context>
</TS>
