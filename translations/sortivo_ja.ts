<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="ja_JP">
<context>
    <name>KeyNames</name>
    <message>
        <source>漢字</source>
        <translation>漢字</translation>
    </message>
    <message>
        <source>変換</source>
        <translation>変換</translation>
    </message>
    <message>
        <source>無変換</source>
        <translation>無変換</translation>
    </message>
    <message>
        <source>英数</source>
        <translation>英数</translation>
    </message>
    <message>
        <source>カタカナ/ひらがな</source>
        <translation>カタカナ/ひらがな</translation>
    </message>
    <message>
        <source>半角/全角</source>
        <translation>半角/全角</translation>
    </message>
    <message>
        <source>キー %1</source>
        <translation>キー %1</translation>
    </message>
</context>
<context>
    <name>KeyPanel</name>
    <message>
        <source>確認</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>ここにフォルダをドロップすると下位フォルダを検索します。</source>
        <translation>ここにフォルダをドロップすると下位フォルダを検索します。</translation>
    </message>
    <message>
        <source>クリックして選択すると右上の入力欄にパスを表示します。</source>
        <translation>クリックして選択すると右上の入力欄にパスを表示します。</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>中止</translation>
    </message>
    <message>
        <source>振り分け先フォルダをドロップします。
下のパスを直接書き替えても構いません。</source>
        <translation>振り分け先フォルダをドロップします。
下のパスを直接書き替えても構いません。</translation>
    </message>
    <message>
        <source>割り当てるキーを下に入力します。
半角イコール(=)と半角コロン(:)は使わないでください。</source>
        <translation>割り当てるキーを下に入力します。
半角イコール(=)と半角コロン(:)は使わないでください。</translation>
    </message>
    <message>
        <source>←ここをチェックすると↑のキーは移動専用になります。(&amp;M)</source>
        <translation>←ここをチェックすると↑のキーは移動専用になります。(&amp;M)</translation>
    </message>
    <message>
        <source>必要に応じてキーの簡単な説明を記入します。</source>
        <translation>必要に応じてキーの簡単な説明を記入します。</translation>
    </message>
    <message>
        <source>[記録するセクションを選びます。]</source>
        <translation>[記録するセクションを選びます。]</translation>
    </message>
    <message>
        <source>登録ボタンで登録、終了ボタンで終了します。</source>
        <translation>登録ボタンで登録、終了ボタンで終了します。</translation>
    </message>
    <message>
        <source>キー削除</source>
        <translation>キー削除</translation>
    </message>
    <message>
        <source>登録(&amp;R)</source>
        <translation>登録(&amp;R)</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <source>上で選んだセクションの内容を表示します。</source>
        <translation>上で選んだセクションの内容を表示します。</translation>
    </message>
    <message>
        <source>クリックして選択すると編集できます。</source>
        <translation>クリックして選択すると編集できます。</translation>
    </message>
    <message>
        <source>上書きしますか？
%1
%2</source>
        <translation>上書きしますか？
%1
%2</translation>
    </message>
</context>
<context>
    <name>PrefPanel</name>
    <message>
        <source>キーコードモニタ</source>
        <translation>キーコードモニタ</translation>
    </message>
    <message>
        <source>自動補完する。(&amp;A)</source>
        <translation>自動補完する。(&amp;A)</translation>
    </message>
    <message>
        <source>Enter で入力欄を空にする。(&amp;E)</source>
        <translation>Enter で入力欄を空にする。(&amp;E)</translation>
    </message>
    <message>
        <source>Enter でコピーする。(&amp;C)</source>
        <translation>Enter でコピーする。(&amp;C)</translation>
    </message>
    <message>
        <source>リストには相対パスで記録する。(&amp;L)</source>
        <translation>リストには相対パスで記録する。(&amp;L)</translation>
    </message>
    <message>
        <source>色見本</source>
        <translation>色見本</translation>
    </message>
    <message>
        <source>入力欄の標準色</source>
        <translation>入力欄の標準色</translation>
    </message>
    <message>
        <source>移動後の色</source>
        <translation>移動後の色</translation>
    </message>
    <message>
        <source>コピー後の色</source>
        <translation>コピー後の色</translation>
    </message>
    <message>
        <source>拡張子修正後の色</source>
        <translation>拡張子修正後の色</translation>
    </message>
    <message>
        <source>同一ファイル通知色</source>
        <translation>同一ファイル通知色</translation>
    </message>
    <message>
        <source>空フォルダ通知色</source>
        <translation>空フォルダ通知色</translation>
    </message>
    <message>
        <source>移動/コピー失敗警告色</source>
        <translation>移動/コピー失敗警告色</translation>
    </message>
    <message>
        <source>ここにフォーカスがあるときに押したキーのコードを調べます。</source>
        <translation>ここにフォーカスがあるときに押したキーのコードを調べます。</translation>
    </message>
    <message>
        <source>自動補完キー</source>
        <translation>自動補完キー</translation>
    </message>
    <message>
        <source>パニックキー</source>
        <translation>パニックキー</translation>
    </message>
    <message>
        <source>ワンキー切り替え</source>
        <translation>ワンキー切り替え</translation>
    </message>
    <message>
        <source>前の画像</source>
        <translation>前の画像</translation>
    </message>
    <message>
        <source>次の画像</source>
        <translation>次の画像</translation>
    </message>
    <message>
        <source>先頭の画像</source>
        <translation>先頭の画像</translation>
    </message>
    <message>
        <source>末尾の画像</source>
        <translation>末尾の画像</translation>
    </message>
    <message>
        <source>スクロール</source>
        <translation>スクロール</translation>
    </message>
    <message>
        <source>上</source>
        <translation>上</translation>
    </message>
    <message>
        <source>下</source>
        <translation>下</translation>
    </message>
    <message>
        <source>左</source>
        <translation>左</translation>
    </message>
    <message>
        <source>右</source>
        <translation>右</translation>
    </message>
    <message>
        <source>左回転</source>
        <translation>左回転</translation>
    </message>
    <message>
        <source>右回転</source>
        <translation>右回転</translation>
    </message>
    <message>
        <source>ディレクトリ移動</source>
        <translation>ディレクトリ移動</translation>
    </message>
    <message>
        <source>前</source>
        <translation>前</translation>
    </message>
    <message>
        <source>次</source>
        <translation>次</translation>
    </message>
    <message>
        <source>言語 (次の起動から)</source>
        <translation>言語 (次の起動から)</translation>
    </message>
    <message>
        <source>システムに従う</source>
        <translation>システムに従う</translation>
    </message>
    <message>
        <source>日本語</source>
        <translation>日本語</translation>
    </message>
    <message>
        <source>英語</source>
        <translation>英語</translation>
    </message>
    <message>
        <source>登録(&amp;R)</source>
        <translation>登録(&amp;R)</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <source>全画面表示</source>
        <translation>全画面表示</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>元に戻す</translation>
    </message>
    <message>
        <source>やり直し</source>
        <translation>やり直し</translation>
    </message>
    <message>
        <source>ごみ箱へ</source>
        <translation>ごみ箱へ</translation>
    </message>
    <message>
        <source>サイドカーの拡張子</source>
        <translation>サイドカーの拡張子</translation>
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
        <translation>使い方: sortivo [オプション] [フォルダー | 画像 | リストファイル]

画像を一枚ずつ表示し、キーと Enter で登録先のフォルダーへ移動・コピーしたり、
リストファイルに書き込んだりして振り分けます。
開くものを指定すると、起動してすぐにそれを開きます。

  -h, --help     この説明を表示して終了する
  -v, --version  版を表示して終了する
  --             これより後はオプションでなくファイル名として扱う
</translation>
    </message>
</context>
<context>
    <name>TDesktopTrash</name>
    <message>
        <source>ファイル名を扱えません: </source>
        <translation>ファイル名を扱えません: </translation>
    </message>
    <message>
        <source>ごみ箱のフォルダを用意できません: </source>
        <translation>ごみ箱のフォルダを用意できません: </translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>中止</source>
        <translation>中止</translation>
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
        <translation>ファイル %1 は読めないので、これまでの操作は元に戻せません: %2</translation>
    </message>
    <message>
        <source>ファイル %1 は大きすぎるので読めません。これまでの操作は元に戻せません</source>
        <translation>ファイル %1 は大きすぎるので読めません。これまでの操作は元に戻せません</translation>
    </message>
    <message>
        <source>ファイル %1 の %2 行は壊れているので読み飛ばしました</source>
        <translation>ファイル %1 の %2 行は壊れているので読み飛ばしました</translation>
    </message>
    <message>
        <source>ファイル %1 は他で使われているので、この回の操作は終了後には元に戻せません</source>
        <translation>ファイル %1 は他で使われているので、この回の操作は終了後には元に戻せません</translation>
    </message>
</context>
<context>
    <name>TKeyListBox</name>
    <message>
        <source>閉じる</source>
        <translation>閉じる</translation>
    </message>
</context>
<context>
    <name>TMainMenu</name>
    <message>
        <source>メニュー(&amp;F)</source>
        <translation>メニュー(&amp;F)</translation>
    </message>
    <message>
        <source>キー(&amp;K)</source>
        <translation>キー(&amp;K)</translation>
    </message>
    <message>
        <source>設定(&amp;P)</source>
        <translation>設定(&amp;P)</translation>
    </message>
    <message>
        <source>開く(&amp;O)</source>
        <translation>開く(&amp;O)</translation>
    </message>
    <message>
        <source>続き(&amp;R)</source>
        <translation>続き(&amp;R)</translation>
    </message>
    <message>
        <source>フォント(&amp;F)</source>
        <translation>フォント(&amp;F)</translation>
    </message>
    <message>
        <source>標準(&amp;E)</source>
        <translation>標準(&amp;E)</translation>
    </message>
    <message>
        <source>昇順(&amp;A)</source>
        <translation>昇順(&amp;A)</translation>
    </message>
    <message>
        <source>降順(&amp;D)</source>
        <translation>降順(&amp;D)</translation>
    </message>
    <message>
        <source>シャッフル(&amp;S)</source>
        <translation>シャッフル(&amp;S)</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>元に戻す(&amp;U)</translation>
    </message>
    <message>
        <source>やり直し(&amp;Y)</source>
        <translation>やり直し(&amp;Y)</translation>
    </message>
    <message>
        <source>ごみ箱へ(&amp;T)</source>
        <translation>ごみ箱へ(&amp;T)</translation>
    </message>
</context>
<context>
    <name>TPictureArea</name>
    <message>
        <source>画像を開くには</source>
        <translation>画像を開くには</translation>
    </message>
    <message>
        <source>フォルダや画像をこのウィンドウにドロップするか、</source>
        <translation>フォルダや画像をこのウィンドウにドロップするか、</translation>
    </message>
    <message>
        <source>上の入力欄にパスを入力して Enter を押します。</source>
        <translation>上の入力欄にパスを入力して Enter を押します。</translation>
    </message>
    <message>
        <source>振り分けるには</source>
        <translation>振り分けるには</translation>
    </message>
    <message>
        <source>「メニュー → キー」で、振り分け先のフォルダにキーを登録します。</source>
        <translation>「メニュー → キー」で、振り分け先のフォルダにキーを登録します。</translation>
    </message>
    <message>
        <source>フォルダをドロップし、キーを入力して「登録」を押します。</source>
        <translation>フォルダをドロップし、キーを入力して「登録」を押します。</translation>
    </message>
    <message>
        <source>あとはキーを入力して Enter で移動、Shift+Enter でコピーします。</source>
        <translation>あとはキーを入力して Enter で移動、Shift+Enter でコピーします。</translation>
    </message>
    <message>
        <source>主なキー</source>
        <translation>主なキー</translation>
    </message>
    <message>
        <source>前の画像 / 次の画像</source>
        <translation>前の画像 / 次の画像</translation>
    </message>
    <message>
        <source>先頭 / 末尾の画像</source>
        <translation>先頭 / 末尾の画像</translation>
    </message>
    <message>
        <source>ウィンドウを最小化</source>
        <translation>ウィンドウを最小化</translation>
    </message>
</context>
<context>
    <name>TSortingSession</name>
    <message>
        <source>ファイル %1 が見つからないので元に戻せません</source>
        <translation>ファイル %1 が見つからないので元に戻せません</translation>
    </message>
    <message>
        <source>ファイル %1 が見つからないのでやり直せません</source>
        <translation>ファイル %1 が見つからないのでやり直せません</translation>
    </message>
    <message>
        <source>ファイル %1 はごみ箱の中の場所が分からないので元に戻せません</source>
        <translation>ファイル %1 はごみ箱の中の場所が分からないので元に戻せません</translation>
    </message>
    <message>
        <source>ファイル %1 に戻せません</source>
        <translation>ファイル %1 に戻せません</translation>
    </message>
    <message>
        <source>ファイル %1 は変更されているので元に戻せません</source>
        <translation>ファイル %1 は変更されているので元に戻せません</translation>
    </message>
    <message>
        <source>ファイル %1 の最後の行が変わっているので元に戻せません</source>
        <translation>ファイル %1 の最後の行が変わっているので元に戻せません</translation>
    </message>
    <message>
        <source>ファイル %1 は作れません</source>
        <translation>ファイル %1 は作れません</translation>
    </message>
    <message>
        <source>ファイル %1 を %2 に戻せません</source>
        <translation>ファイル %1 を %2 に戻せません</translation>
    </message>
    <message>
        <source>ファイル %1 を削除できません</source>
        <translation>ファイル %1 を削除できません</translation>
    </message>
    <message>
        <source>ファイル %1 に移動できません</source>
        <translation>ファイル %1 に移動できません</translation>
    </message>
    <message>
        <source>ファイル %1 にコピーできません</source>
        <translation>ファイル %1 にコピーできません</translation>
    </message>
    <message>
        <source>ファイル %1 はごみ箱に移せません</source>
        <translation>ファイル %1 はごみ箱に移せません</translation>
    </message>
    <message>
        <source>ファイル %1 はごみ箱に移せません: %2</source>
        <translation>ファイル %1 はごみ箱に移せません: %2</translation>
    </message>
</context>
<context>
    <name>TUserText</name>
    <message>
        <source>ファイル %1 は開けません</source>
        <translation>ファイル %1 は開けません</translation>
    </message>
    <message>
        <source>ファイル %1 に書き込めません: %2</source>
        <translation>ファイル %1 に書き込めません: %2</translation>
    </message>
    <message>
        <source>HEIF、AVIF、JPEG XL、RAW の画像を読む %1 がありません</source>
        <translation>HEIF、AVIF、JPEG XL、RAW の画像を読む %1 がありません</translation>
    </message>
    <message>
        <source>PNG、GIF、WebP、TIFF の画像を読む %1 がありません</source>
        <translation>PNG、GIF、WebP、TIFF の画像を読む %1 がありません</translation>
    </message>
</context>
</TS>
